#include "win32/teacher/crypto_win32.h"

#include "core/errors.h"

namespace tastora {

namespace {

[[noreturn]] void Fail() {
    throw TastoraError("Система не дала средств шифрования (CryptoAPI, код " + std::to_string(GetLastError()) +
                       "): пароль учителя недоступен.");
}

}  // namespace

Win32Crypto::Win32Crypto() {
    if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) provider_ = 0;
}

Win32Crypto::~Win32Crypto() {
    if (provider_) CryptReleaseContext(provider_, 0);
}

std::string Win32Crypto::Sha256(const std::string& bytes) {
    if (!provider_) Fail();
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash)) Fail();
    std::string digest(32, '\0');
    DWORD size = DWORD(digest.size());
    const bool ok = CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), 0) &&
                    CryptGetHashParam(hash, HP_HASHVAL, reinterpret_cast<BYTE*>(&digest[0]), &size, 0) && size == 32;
    CryptDestroyHash(hash);
    if (!ok) Fail();
    return digest;
}

std::string Win32Crypto::RandomBytes(size_t count) {
    if (!provider_) Fail();
    std::string out(count, '\0');
    if (count && !CryptGenRandom(provider_, DWORD(count), reinterpret_cast<BYTE*>(&out[0]))) Fail();
    return out;
}

}  // namespace tastora
