#include "users/user_store.h"

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/text.h"
#include "session/review_name.h"

namespace tastora {

namespace {

// Lines ended by CR LF, LF or CR; a last line without its end counts too.
std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        size_t j = i;
        while (j < n && bytes[j] != '\r' && bytes[j] != '\n') ++j;
        lines.emplace_back(bytes, i, j - i);
        if (j < n && bytes[j] == '\r') ++j;
        if (j < n && bytes[j] == '\n') ++j;
        i = j;
    }
    return lines;
}

bool IsControl(uint8_t c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool ProfileExists(const std::string& name) { return ProfileStore().Exists(name); }

std::string ProfileNameProblem(const std::string& name) {
    bool lossless = true;
    const std::string bytes = Utf8ToCp1251(name, &lossless);
    if (name.find_first_not_of(' ') == std::string::npos) return "Вы не указали имя пользователя";
    if (!lossless)
        return "Имя пользователя может содержать только русские и латинские буквы, цифры, "
               "пробелы и знаки препинания";
    for (char c : bytes)
        if (IsControl(uint8_t(c))) return "Имя пользователя не может содержать управляющие символы или переводы строки";
    if (bytes.size() > kMaxProfileNameLength) return "Имя пользователя не может быть длиннее 100 символов";
    if (bytes.front() == ' ' || bytes.back() == ' ' || uint8_t(bytes.front()) == 0xA0 || uint8_t(bytes.back()) == 0xA0)
        return "Имя пользователя не может начинаться или заканчиваться пробелом";
    for (char c : bytes)
        if (IsForbiddenFileNameByte(uint8_t(c)) || c == '[' || c == ']' || c == '=' || c == ';')
            return "Имя пользователя не может содержать символы \\ / : * ? \" < > | [ ] = ;";
    if (bytes.back() == '.') return "Имя пользователя не может заканчиваться точкой";
    std::string base;
    if (IsDeviceName(bytes, &base))
        return "Имя пользователя «" + Cp1251ToUtf8(base) + "» зарезервировано системой, выберите другое имя";
    return "";
}

bool CreateProfile(const std::string& name, const std::string& password, char decimalSeparator) {
    const std::string problem = ProfileNameProblem(name);
    if (!problem.empty()) throw TastoraError(problem);
    const DataLock lock;  // from the check to the list: another copy may create the same name
    if (ProfileExists(name)) return false;

    // Level and password in one replacement of the file: a profile is never left half made,
    // in the list without a password.
    ProfileStore().Create(name, password, decimalSeparator);

    // The name goes at the end of the list; a last line that lacks its CR LF (an edited file)
    // gets it first, so that the new name stands on a line of its own. The list is replaced
    // whole rather than appended to, so that a crash never leaves half a name in it.
    // Failures pass silently; a list that exists but cannot be read is left alone.
    std::string list;
    if (!ReadWholeFile(kNameList, list) && FileExists(kNameList)) return true;
    if (!list.empty() && list.back() != '\n' && list.back() != '\r') list += "\r\n";
    list += Utf8ToCp1251(name) + "\r\n";
    WriteFileReplacing(kNameList, list);
    return true;
}

bool CheckPassword(const std::string& name, const std::string& typed) {
    return ProfileStore().PasswordMatches(name, typed);
}

double ReadLevel(const std::string& name, char decimalSeparator) {
    return ProfileStore().Level(name, decimalSeparator);
}

void DeleteProfile(const std::string& name) {
    const DataLock lock;
    // The section goes first: when users.ini cannot be written the failure stops the
    // deletion before the list has lost the name, and the profile stays whole.
    ProfileStore().Erase({name});

    // Every line of the list is kept (there is no limit on the number of names), except
    // the first one equal to the name (letter case counts) and the blank ones. The file
    // is replaced safely; a missing or unwritable list is left alone.
    std::string bytes;
    if (!ReadWholeFile(kNameList, bytes)) return;
    std::vector<std::string> lines = SplitLines(bytes);
    const std::string target = Utf8ToCp1251(name);
    for (auto& l : lines)
        if (l == target) {
            l.clear();
            break;
        }
    std::string out;
    out.reserve(bytes.size() + 2);
    for (const auto& l : lines)
        if (!l.empty()) {
            out += l;
            out += "\r\n";
        }
    WriteFileReplacing(kNameList, out);
}

std::vector<std::string> LoadNames(bool atLeastOne) {
    std::string bytes;
    std::vector<std::string> names;
    if (ReadWholeFile(kNameList, bytes))
        for (const auto& l : SplitLines(bytes)) names.push_back(Cp1251ToUtf8(l));
    if (names.empty() && atLeastOne) names.emplace_back();
    return names;
}

}  // namespace tastora
