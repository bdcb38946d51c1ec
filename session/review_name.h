#pragma once
// Where a profile's generated review lesson lives: data\text\<profile name>.txt. The
// review generator writes it and the exercise opens it for every level of kind 3; both
// must take the path from here.
#include <cstdint>
#include <string>

namespace tastora {

// Windows file-name rules over Windows-1251 bytes, shared with the profile store.
// Control characters and \ / : * ? " < > |.
bool IsForbiddenFileNameByte(uint8_t byte);
// CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9 (with any extension: "con.x" is the device
// too), CONIN$, CONOUT$, CLOCK$, ignoring letter case. base (when given) receives the part
// that was checked: the name up to its first ".", trailing blanks dropped.
bool IsDeviceName(const std::string& cp1251, std::string* base = nullptr);

// True when the profile name can be used as it is for the file name (so that the review
// file of an older installation is found): Windows-1251 text of 1 to 251 characters, no
// control characters, none of \ / : * ? " < > |, no trailing blank or dot, not a device name
// (CON, NUL, COM1, ...), not the name of a lesson file of the course (L5, T12, 7), which a
// review must never overwrite, and not of the form of a mapped name ("_x_0123ABCD"), which
// belongs to another profile.
bool IsSafeReviewName(const std::string& profileName);

// The file name (without folder) of the profile's review lesson: "<name>.txt" for a safe
// name; otherwise (first 32 characters of the name) "_<name with unsafe characters replaced by _>_<8 hex digits>.txt",
// the digits a hash of the name without regard to letter case (the same profile always gets the same file, different
// profiles practically never share one). Never a path outside the folder, never a device.
std::string ReviewFileName(const std::string& profileName);

// "data\\text\\" + ReviewFileName(profileName).
std::string ReviewFilePath(const std::string& profileName);

}  // namespace tastora
