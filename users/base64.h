#pragma once
// Base64 with the MIME alphabet (A-Z, a-z, 0-9, "+", "/"), "=" as the fill character and
// no line breaks, over bytes; the stored passwords use it.
#include <string>

namespace tastora {

std::string EncodeBase64(const std::string& bytes);

// Raises TastoraError "Uneven size in DecodeToStream." when the length is not a multiple
// of 4. Returns false (bytes empty) when the text holds a character outside the alphabet
// or a misplaced "=".
bool DecodeBase64(const std::string& text, std::string& bytes);

}  // namespace tastora
