#pragma once
// The teacher's password of a data folder: teacher.ini holds a random salt, the number of
// rounds and PBKDF2-HMAC-SHA256 of the password (never the password itself), and the journal
// asks for it before any change. It keeps a learner at the teacher's computer from changing
// the class through the journal; whoever may write to the data folder can still delete
// teacher.ini, or edit users.ini by hand.
#include <cstddef>
#include <string>

namespace tastora {

// The platform's cryptography (CryptoAPI on Windows). Both raise TastoraError on failure.
class CryptoPort {
public:
    virtual ~CryptoPort() = default;
    virtual std::string Sha256(const std::string& bytes) = 0;
    virtual std::string RandomBytes(size_t count) = 0;
};

constexpr int kTeacherPasswordRounds = 20000;

// PBKDF2 (RFC 8018) with HMAC-SHA256 from the port's SHA-256; length bytes of key.
std::string Pbkdf2Sha256(CryptoPort& crypto, const std::string& password, const std::string& salt, int rounds,
                         size_t length);

// teacher.ini holds a password record (even one that cannot be read: then no password
// matches, and the teacher removes the file to start again).
bool TeacherPasswordSet(const std::string& folder);
// True when the typed password (UTF-8) is the folder's, or when the folder has none.
bool CheckTeacherPassword(const std::string& folder, const std::string& typed, CryptoPort& crypto);
// A new record with a fresh salt; an empty password removes the record. Raises TastoraError.
void SetTeacherPassword(const std::string& folder, const std::string& password, CryptoPort& crypto);

}  // namespace tastora
