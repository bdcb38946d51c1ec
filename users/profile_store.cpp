#include "users/profile_store.h"

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_set>
#include <utility>

#include "core/data_lock.h"
#include "core/regional.h"
#include "core/text.h"
#include "session/level.h"
#include "users/base64.h"

namespace tastora {

namespace {

const char kLevelKey[] = "nivel";
const char kPasswordKey[] = "pass";
const char kAttemptKey[] = "doi";
const char kShiftedSuffix = 'u';

using Values = std::vector<std::pair<std::string, std::string>>;

std::string UpperKey(const std::string& utf8) { return UpperCp1251(Utf8ToCp1251(utf8)); }

std::string CounterKey(int key, bool shifted) { return std::to_string(key) + (shifted ? "u" : ""); }

std::string SpeedKey(int lesson, int kind, char separator) {
    return std::to_string(lesson) + separator + std::to_string(kind);
}

bool AllDigits(const std::string& s, size_t b, size_t e) {
    if (b >= e || e - b > 3) return false;
    for (size_t i = b; i < e; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

int Number(const std::string& s, size_t b, size_t e) { return std::stoi(s.substr(b, e - b)); }

}  // namespace

ProfileKey ClassifyProfileKey(const std::string& k) {
    ProfileKey p;
    const size_t n = k.size();
    if (n == 0) return p;
    if (n == 5 && UpperKey(k) == "NIVEL") {
        p.kind = ProfileKey::Level;
    } else if (n == 4 && UpperKey(k) == "PASS") {
        p.kind = ProfileKey::Password;
    } else if (n == 3 && UpperKey(k) == "DOI") {
        p.kind = ProfileKey::Attempt;
    } else if (AllDigits(k, 0, n) || ((k.back() == kShiftedSuffix || k.back() == 'U') && AllDigits(k, 0, n - 1))) {
        const bool shifted = k.back() == kShiftedSuffix || k.back() == 'U';
        const int key = Number(k, 0, n - (shifted ? 1 : 0));
        if (key >= 1 && key <= kCountedKeys) {
            p.kind = shifted ? ProfileKey::ShiftedCounter : ProfileKey::Counter;
            p.index = key;
        }
    } else if (n >= 3 && (k[n - 2] == '.' || k[n - 2] == ',') && AllDigits(k, 0, n - 2) &&
               (k.back() == '1' || k.back() == '2')) {
        const int lesson = Number(k, 0, n - 2), kind = k.back() - '0';
        if (lesson >= 1 && lesson <= kCourseLessons) {
            p.kind = ProfileKey::Speed;
            p.index = 2 * (lesson - 1) + kind - 1;
            p.point = k[n - 2] == '.';
        }
    }
    return p;
}

ProfileStore::ProfileStore(std::string file) : ini_(std::move(file)) {}

std::string ProfileStore::FileIn(const std::string& folder) { return folder + "\\users.ini"; }

bool ProfileStore::Exists(const std::string& name) { return ini_.SectionHasKeys(name); }

void ProfileStore::Create(const std::string& name, const std::string& password, char decimalSeparator) {
    ini_.WriteStrings(name, {{kLevelKey, FormatReal(kFirstLevel, decimalSeparator)},
                             {kPasswordKey, EncodeBase64(Utf8ToCp1251(password))}});
}

bool ProfileStore::PasswordMatches(const std::string& name, const std::string& typed) {
    const std::string stored = ini_.ReadString(name, kPasswordKey, "");
    std::string bytes;
    if (!DecodeBase64(stored, bytes)) return false;
    return bytes == Utf8ToCp1251(typed);
}

double ProfileStore::Level(const std::string& name, char decimalSeparator) {
    return ini_.ReadFloat(name, kLevelKey, kFirstLevel, decimalSeparator);
}

bool ProfileStore::SecondAttempt(const std::string& name) { return ini_.ReadInteger(name, kAttemptKey, 1) == 2; }

void ProfileStore::Store(const std::string& name, const ProfileStep& step, char decimalSeparator) {
    Values values;
    if (step.storeLevel) values.emplace_back(kLevelKey, FormatReal(step.level, decimalSeparator));
    if (step.storeSpeed) values.emplace_back(FormatReal(step.speedLevel, decimalSeparator), std::to_string(step.speed));
    if (step.attempt != ProfileStep::KeepAttempt)
        values.emplace_back(kAttemptKey, step.attempt == ProfileStep::SecondAttempt ? "2" : "1");
    ini_.WriteStrings(name, values);
}

std::array<int, kSpeedPoints> ProfileStore::Speeds(const std::string& name) {
    std::array<int, kSpeedPoints> speeds{};
    // Levels are keys in the regional format of the day they were written: read both.
    for (int lesson = 1; lesson <= kCourseLessons; ++lesson)
        for (int kind = kKindExercise; kind <= kKindTest; ++kind) {
            int v = ini_.ReadInteger(name, SpeedKey(lesson, kind, '.'), 0);
            if (v == 0) v = ini_.ReadInteger(name, SpeedKey(lesson, kind, ','), 0);
            speeds[size_t(2 * (lesson - 1) + (kind - 1))] = v;
        }
    return speeds;
}

void ProfileStore::AddErrors(const std::string& name, int key, bool shifted, int32_t errors) {
    const DataLock lock;  // the counter read and written in one go
    ini_.Refresh();
    const std::string counter = CounterKey(key, shifted);
    const int64_t now = ini_.ReadInteger(name, counter, 0);
    const int64_t sum = std::min<int64_t>(now + errors, std::numeric_limits<int32_t>::max());
    if (sum != now) ini_.WriteInteger(name, counter, int32_t(sum));
}

std::vector<int> ProfileStore::TakeErrorCounters(const std::string& name, int keys) {
    std::vector<int> count(size_t(std::max(keys, 0) + 1), 0);
    const DataLock lock;  // the counters read and reset in one go
    std::set<std::string> present;
    for (std::string k : ini_.ReadSection(name)) {
        for (char& c : k)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        present.insert(k);
    }
    Values resets;
    for (int n = 1; n <= keys; ++n)
        for (const bool shifted : {false, true}) {
            const std::string key = CounterKey(n, shifted);
            if (!present.count(key)) continue;
            const std::string raw = ini_.ReadString(name, key, "");
            int32_t v = 0;
            if (!shifted && ParseInt(raw, v)) count[size_t(n)] = v;
            if (!raw.empty() && raw != "0") resets.emplace_back(key, "0");
        }
    ini_.WriteStrings(name, resets);  // one write for all of them
    return count;
}

void ProfileStore::Erase(const std::vector<std::string>& names) {
    ini_.Refresh();
    ini_.EraseSections(names);
}

void ProfileStore::ClearPassword(const std::string& name) {
    // A missing pass is an empty password already.
    if (!ini_.ReadString(name, kPasswordKey, "").empty()) ini_.WriteString(name, kPasswordKey, "");
}

void ProfileStore::MoveToLesson(const std::string& name, int lesson, char decimalSeparator) {
    const std::string stored = ini_.ReadString(name, kLevelKey, "");
    const char sep = stored.find(',') != std::string::npos   ? ','
                     : stored.find('.') != std::string::npos ? '.'
                                                             : decimalSeparator;
    Values values = {{kLevelKey, FormatReal(MakeLevel(lesson, kKindExercise), sep)}};
    bool hasAttempt = false;
    for (const std::string& k : ini_.ReadSection(name))
        hasAttempt = hasAttempt || ClassifyProfileKey(k).kind == ProfileKey::Attempt;
    if (hasAttempt && ini_.ReadString(name, kAttemptKey, "") != "1") values.emplace_back(kAttemptKey, "1");
    ini_.WriteStrings(name, values);
}

void ProfileStore::ResetCounters(const std::string& name) {
    Values values;
    std::unordered_set<std::string> seen;
    for (const std::string& k : ini_.ReadSection(name)) {
        const ProfileKey p = ClassifyProfileKey(k);
        if (p.kind != ProfileKey::Counter && p.kind != ProfileKey::ShiftedCounter) continue;
        if (!seen.insert(UpperKey(k)).second) continue;
        if (ini_.ReadString(name, k, "0") != "0") values.emplace_back(k, "0");
    }
    if (!values.empty()) ini_.WriteStrings(name, values);
}

}  // namespace tastora
