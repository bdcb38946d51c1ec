#pragma once
// A small modal window that asks for a password: one field, or two for a new password that
// must be typed twice alike.
#include <windows.h>

#include <string>

namespace tastora {

// False when the teacher cancelled. A new password (twice) may be empty: no password.
bool AskPassword(HWND owner, HINSTANCE instance, const std::wstring& prompt, bool twice, std::wstring& password);

}  // namespace tastora
