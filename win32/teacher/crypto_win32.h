#pragma once
// The journal's cryptography on Windows: SHA-256 and random bytes from the system's CryptoAPI
// (the AES provider, on every Windows from XP SP3 on).
#include <windows.h>
#include <wincrypt.h>

#include "journal/teacher_password.h"

namespace tastora {

class Win32Crypto : public CryptoPort {
public:
    Win32Crypto();
    ~Win32Crypto() override;
    Win32Crypto(const Win32Crypto&) = delete;
    Win32Crypto& operator=(const Win32Crypto&) = delete;
    std::string Sha256(const std::string& bytes) override;
    std::string RandomBytes(size_t count) override;

private:
    HCRYPTPROV provider_ = 0;
};

}  // namespace tastora
