#pragma once
// File access for the whole program. Paths are UTF-8, named the program's way
// ("data\\users.ini"), relative to the current directory; every build maps them to its
// file system (separators, Unicode names).
#include <cstddef>
#include <cstdint>
#include <string>

namespace tastora {

// What tells one version of a file from another without reading it: its size, the time of
// its last write and its identity (inode, or the creation time on Windows, so that a file
// replaced by another of the same size in the same clock tick still differs).
struct FileStamp {
    uint64_t size = 0;
    int64_t written = 0;
    uint64_t identity = 0;
    bool operator==(const FileStamp& o) const {
        return size == o.size && written == o.written && identity == o.identity;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// Whole file as bytes; false when it cannot be opened or read. Files larger than
// maxBytes are refused (false) rather than read. With a stamp, also the stamp of the
// version read.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = 64u << 20,
                   FileStamp* stamp = nullptr);
// The stamp of the file as it is now; false when it is missing or no regular file.
bool GetFileStamp(const std::string& path, FileStamp& stamp);
bool FileExists(const std::string& path);
// Replaces the file's content safely: the bytes go to a temporary file beside it
// (<name>.tmp~, one per file, reused), flushed to disk, which then takes the file's place,
// so the file is never left half written or empty. False on failure (the old file is then
// untouched). Given the stamp's write time of the version it replaces, the new file's write
// time is made later than that, so that two versions never share a stamp, even when
// written within one tick of the file system's clock.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, const int64_t* writtenAfter = nullptr);
// Writes bytes over the file's own at offset, in one write (the file keeps its size when they
// lie inside it), for a change that keeps the file valid at every moment, such as a value
// replaced by one of the same length. Not flushed to disk. The file's write time is then
// made later than writtenAfter and than the time the write itself gave it, so that a reader
// that looked while the write went on never takes the file's new version for the one it
// read. False on failure (a missing or read-only file).
bool WriteFileAt(const std::string& path, uint64_t offset, const std::string& bytes, int64_t writtenAfter);
// Appends bytes at the end (creating the file); false on failure.
bool AppendToFile(const std::string& path, const std::string& bytes);
bool RemoveFile(const std::string& path);
// An exclusive lock between processes on a lock file, created when missing and left in
// place. TryLockFile gives a handle (>= 0), kLockBusy while another process holds the lock,
// or kLockUnavailable when the file cannot be opened (missing folder, read-only medium).
// The lock ends with ReleaseFileLock or with the process.
constexpr intptr_t kLockBusy = -1;
constexpr intptr_t kLockUnavailable = -2;
intptr_t TryLockFile(const std::string& path);
void ReleaseFileLock(intptr_t handle);
// The current directory (UTF-8, native form) and a path made absolute against it.
std::string CurrentDirectory();
std::string AbsolutePath(const std::string& path);

}  // namespace tastora
