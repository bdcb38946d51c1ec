#pragma once
// The profiles of the login window: their sections in the profile store (data\users.ini,
// users/profile_store.h), and data\lista.txt, the profile names that the login window
// offers, one per line in creation order. Names and passwords are UTF-8 here, Windows-1251
// on disk.
#include <cstddef>
#include <string>
#include <vector>

#include "users/profile_store.h"

namespace tastora {

constexpr char kNameList[] = "data\\lista.txt";
constexpr size_t kMaxProfileNameLength = 100;

// The section exists and holds at least one key.
bool ProfileExists(const std::string& name);

// Why the name cannot name a new profile (a message for the learner), or "" when it can.
// Refused: empty or blank names, blanks at either end, characters that Windows-1251 lacks,
// control characters, \ / : * ? " < > | [ ] = ;, a final ".", device names (CON, LPT1...),
// more than 100 characters.
std::string ProfileNameProblem(const std::string& name);

// Level 1.1 and the password in one replacement of users.ini
// (a crash leaves the profile whole or absent), then the name added at the end of the list.
// The whole operation holds the data lock (core/data_lock.h).
// False (nothing written) when the profile exists already. Raises TastoraError with the
// ProfileNameProblem text for a name that cannot be stored, and "Unable to write to
// data\users.ini" when the INI file cannot be written (the list is then left alone).
bool CreateProfile(const std::string& name, const std::string& password, char decimalSeparator);

// Decodes the stored password (empty when missing) and compares it with the typed password
// byte for byte. Raises "Uneven size in DecodeToStream." for a stored value whose length
// is not a multiple of 4; a stored value with other foreign characters matches nothing.
bool CheckPassword(const std::string& name, const std::string& typed);

// The stored level; 1.1 when missing or not a real in the given regional format.
double ReadLevel(const std::string& name, char decimalSeparator);

// Erases the profile's section (every section of that name, case ignored) and rewrites the
// list without the first line that equals the name exactly and without blank lines.
void DeleteProfile(const std::string& name);

// The lines of the list file in order. atLeastOne: a missing or empty file still gives one
// (empty) entry, as the list is read at start-up; otherwise such a file gives no entry.
std::vector<std::string> LoadNames(bool atLeastOne);

}  // namespace tastora
