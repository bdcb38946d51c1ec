#pragma once
// The platform's cryptography for the native unit tests: SHA-256 (FIPS 180-4) written out,
// and "random" bytes from a seeded generator. Never used by a program.
#include "journal/teacher_password.h"

namespace tastora {

class CryptoStandIn : public CryptoPort {
public:
    std::string Sha256(const std::string& bytes) override;
    std::string RandomBytes(size_t count) override;
    int hashes = 0;  // SHA-256 computations so far
};

}  // namespace tastora
