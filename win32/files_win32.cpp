// File access on Windows: UTF-8 paths become UTF-16 names, so profile names in any script
// make valid file names whatever the system's code page.
#include <windows.h>

#include <string>

#include "core/files.h"
#include "core/text.h"
#include "win32/scoped.h"

namespace tastora {

namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string s = Utf8ToUtf16(utf8);
    std::wstring w(s.begin(), s.end());
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

std::string Narrow(const std::wstring& w) { return Utf16ToUtf8(std::u16string(w.begin(), w.end())); }

bool WriteAll(HANDLE h, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = bytes.size() - done > (1u << 30) ? (1u << 30) : bytes.size() - done;
        DWORD written = 0;
        if (!WriteFile(h, bytes.data() + done, DWORD(chunk), &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attrs = GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0;
}

int64_t Ticks(const FILETIME& t) { return int64_t((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime); }

FileStamp StampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, const FILETIME& created) {
    FileStamp s;
    s.size = (uint64_t(sizeHigh) << 32) | sizeLow;
    s.written = Ticks(written);
    s.identity = uint64_t(Ticks(created));
    return s;
}

}  // namespace

bool GetFileStamp(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &a) ||
        (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    stamp = StampOf(a.nFileSizeHigh, a.nFileSizeLow, a.ftLastWriteTime, a.ftCreationTime);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes, FileStamp* stamp) {
    bytes.clear();
    const ScopedKernelObject h =
        Opened(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    if (GetFileType(h.get()) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    if (stamp) {
        // The times alone: the handle's whole information costs far more under Wine.
        FILETIME created, written;
        if (!GetFileTime(h.get(), &created, nullptr, &written)) return false;
        *stamp = StampOf(DWORD(uint64_t(size.QuadPart) >> 32), DWORD(size.QuadPart), written, created);
    }
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const size_t want = bytes.size() - done > (1u << 30) ? (1u << 30) : bytes.size() - done;
        if (!ReadFile(h.get(), &bytes[done], DWORD(want), &got, nullptr)) {
            bytes.clear();
            return false;
        }
        if (got == 0) break;  // the file shrank meanwhile
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool FileExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesW(Wide(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, const int64_t* writtenAfter) {
    const std::wstring target = Wide(path);
    // A read-only file stays as it is.
    if (IsReadOnly(target)) return false;
    const std::wstring temp = target + L".tmp~";
    {
        ScopedKernelObject h =
            Opened(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) return false;
        bool ok = WriteAll(h.get(), bytes);
        FILETIME written;
        if (ok && writtenAfter && GetFileTime(h.get(), nullptr, nullptr, &written) && Ticks(written) <= *writtenAfter) {
            const uint64_t t = uint64_t(*writtenAfter + 1);
            FILETIME later = {DWORD(t), DWORD(t >> 32)};
            ok = SetFileTime(h.get(), nullptr, nullptr, &later) != 0;
        }
        ok = ok && FlushFileBuffers(h.get());
        if (!CloseNow(h) || !ok) {
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool WriteFileAt(const std::string& path, uint64_t offset, const std::string& bytes, int64_t writtenAfter) {
    const std::wstring target = Wide(path);
    if (IsReadOnly(target) || bytes.size() > (1u << 30)) return false;
    ScopedKernelObject h =
        Opened(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD written = 0;
    bool ok = WriteFile(h.get(), bytes.data(), DWORD(bytes.size()), &written, &at) && written == bytes.size();
    FILETIME given;
    ok = ok && GetFileTime(h.get(), nullptr, nullptr, &given);
    if (ok) {
        const uint64_t t = uint64_t((Ticks(given) > writtenAfter ? Ticks(given) : writtenAfter) + 1);
        FILETIME later = {DWORD(t), DWORD(t >> 32)};
        ok = SetFileTime(h.get(), nullptr, nullptr, &later) != 0;
    }
    return CloseNow(h) && ok;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = Wide(path);
    if (IsReadOnly(target)) return false;
    ScopedKernelObject h = Opened(CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    const bool ok = WriteAll(h.get(), bytes);
    return CloseNow(h) && ok;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

intptr_t TryLockFile(const std::string& path) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return kLockUnavailable;
    // A byte-range lock on the first byte (it also holds on a network share).
    OVERLAPPED at = {};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kLockBusy : kLockUnavailable;
    }
    return reinterpret_cast<intptr_t>(h);
}

void ReleaseFileLock(intptr_t handle) {
    if (handle < 0) return;
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    OVERLAPPED at = {};
    UnlockFileEx(h, 0, 1, 0, &at);
    CloseHandle(h);
}

std::string CurrentDirectory() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return ".";
    std::wstring buf(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, &buf[0]);
    if (got == 0 || got >= n) return ".";
    buf.resize(got);
    return Narrow(buf);
}

std::string AbsolutePath(const std::string& path) {
    const std::wstring w = Wide(path);
    const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring buf(n, L'\0');
    const DWORD got = GetFullPathNameW(w.c_str(), n, &buf[0], nullptr);
    if (got == 0 || got >= n) return path;
    buf.resize(got);
    return Narrow(buf);
}

}  // namespace tastora
