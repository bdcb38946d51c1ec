#pragma once
// The DLL as a COM server: its instance handle and the count of live objects and locks that
// DllCanUnloadNow answers from.
#include <windows.h>

namespace tastora {
namespace swflash {

HINSTANCE ModuleInstance();
void ModuleAddRef();
void ModuleRelease();

}  // namespace swflash
}  // namespace tastora
