#include "journal/teacher_password.h"

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/ini.h"
#include "users/base64.h"

namespace tastora {

namespace {

constexpr char kSection[] = "teacher";
constexpr size_t kBlock = 64;  // SHA-256's block

std::string IniPath(const std::string& folder) { return folder + "\\teacher.ini"; }

std::string Hmac(CryptoPort& crypto, std::string key, const std::string& message) {
    if (key.size() > kBlock) key = crypto.Sha256(key);
    key.resize(kBlock, '\0');
    std::string inner(kBlock, '\0'), outer(kBlock, '\0');
    for (size_t i = 0; i < kBlock; ++i) {
        inner[i] = char(key[i] ^ 0x36);
        outer[i] = char(key[i] ^ 0x5C);
    }
    return crypto.Sha256(outer + crypto.Sha256(inner + message));
}

// Compares without stopping at the first difference.
bool SameBytes(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

std::string Pbkdf2Sha256(CryptoPort& crypto, const std::string& password, const std::string& salt, int rounds,
                         size_t length) {
    std::string out;
    for (uint32_t block = 1; out.size() < length; ++block) {
        const std::string index = {char(block >> 24), char(block >> 16), char(block >> 8), char(block)};
        std::string u = Hmac(crypto, password, salt + index), t = u;
        for (int r = 1; r < rounds; ++r) {
            u = Hmac(crypto, password, u);
            for (size_t i = 0; i < t.size(); ++i) t[i] = char(t[i] ^ u[i]);
        }
        out += t;
    }
    out.resize(length);
    return out;
}

bool TeacherPasswordSet(const std::string& folder) {
    IniFile ini(IniPath(folder));
    ini.Refresh();
    return ini.SectionHasKeys(kSection);
}

bool CheckTeacherPassword(const std::string& folder, const std::string& typed, CryptoPort& crypto) {
    IniFile ini(IniPath(folder));
    ini.Refresh();
    if (!ini.SectionHasKeys(kSection)) return true;
    std::string salt, hash;
    const int rounds = ini.ReadInteger(kSection, "rounds", 0);
    try {
        if (!DecodeBase64(ini.ReadString(kSection, "salt", ""), salt) ||
            !DecodeBase64(ini.ReadString(kSection, "hash", ""), hash))
            return false;
    } catch (const TastoraError&) {
        return false;  // a damaged record matches nothing
    }
    // A record that would take too long to check, or holds no hash, matches nothing.
    if (rounds < 1 || rounds > 10000000 || salt.empty() || hash.size() != 32) return false;
    return SameBytes(Pbkdf2Sha256(crypto, typed, salt, rounds, hash.size()), hash);
}

void SetTeacherPassword(const std::string& folder, const std::string& password, CryptoPort& crypto) {
    DataLock::SetLockFile(folder + "\\tastora.lock");
    const DataLock lock;
    IniFile ini(IniPath(folder));
    ini.Refresh();
    if (password.empty()) {
        ini.EraseSection(kSection);
        return;
    }
    const std::string salt = crypto.RandomBytes(16);
    const std::string hash = Pbkdf2Sha256(crypto, password, salt, kTeacherPasswordRounds, 32);
    ini.WriteStrings(kSection, {{"salt", EncodeBase64(salt)},
                                {"rounds", std::to_string(kTeacherPasswordRounds)},
                                {"hash", EncodeBase64(hash)}});
}

}  // namespace tastora
