// Plain versions of a few runtime functions that would otherwise bring large parts of the
// C and C++ runtime libraries into the control (about 110 KB together):
//  - the C++ library's verbose terminate handler brings its demangler; nobody reads a
//    terminate message in a control;
//  - its functions that throw logic errors (out_of_range, length_error) bring the old
//    string ABI; every call into the SWF library is guarded with catch (...)
//    (flash_object.cpp), so these failures arrive as std::bad_alloc;
//  - libjpeg formats its error messages and reads its memory limit from the environment
//    with mingw's own printf and scanf; the control shows no message (it loses the
//    picture, see the SWF library) and takes no settings from the environment.
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
}  // namespace std

extern "C" {

// The system's own formatting (msvcrt), always terminated.
int __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
    if (!buffer || size == 0) return 0;
    const int n = _vsnprintf(buffer, size - 1, format, args);
    buffer[size - 1] = 0;
    return n < 0 ? int(size - 1) : n;
}

int __mingw_vfprintf(FILE*, const char*, va_list) { return 0; }

int __mingw_vsscanf(const char*, const char*, va_list) { return 0; }

}  // extern "C"
