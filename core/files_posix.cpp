// File access on POSIX systems (native builds and tests).
#ifndef _WIN32
#include "core/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tastora {

namespace {

std::string Native(const std::string& path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

FileStamp StampOf(const struct stat& st) {
    FileStamp s;
    s.size = uint64_t(st.st_size);
    s.written = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.identity = uint64_t(st.st_ino) ^ (uint64_t(st.st_dev) << 40);
    return s;
}

}  // namespace

bool GetFileStamp(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    stamp = StampOf(st);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes, FileStamp* stamp) {
    bytes.clear();
    const int fd = ::open(Native(path).c_str(), O_RDONLY);
    if (fd < 0) return false;
    struct stat st {};
    // The size is compared in 64 bits: a file of 4 GiB and a few bytes must not pass for a
    // few bytes in a 32-bit size_t.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    if (stamp) *stamp = StampOf(st);
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, &bytes[done], bytes.size() - done);
        if (n < 0) {
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    bytes.resize(done);
    ::close(fd);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, const int64_t* writtenAfter) {
    const std::string target = Native(path);
    const std::string temp = target + ".tmp~";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    // On disk before it takes the old file's place: a power loss then leaves the old file
    // or the new one, never an empty one.
    bool ok = WriteAll(fd, bytes);
    struct stat written {};
    if (ok && writtenAfter && ::fstat(fd, &written) == 0 && StampOf(written).written <= *writtenAfter) {
        const int64_t t = *writtenAfter + 1;
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(t / 1000000000), long(t % 1000000000)}};
        ok = ::futimens(fd, times) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // A read-only file (no write permission bits, like the read-only attribute on
    // Windows) is refused even for a privileged user.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool WriteFileAt(const std::string& path, uint64_t offset, const std::string& bytes, int64_t writtenAfter) {
    struct stat st {};
    if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return false;
    const int fd = ::open(Native(path).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::pwrite(fd, bytes.data(), bytes.size(), off_t(offset)) == ssize_t(bytes.size());
    struct stat written {};
    if (ok) ok = ::fstat(fd, &written) == 0;
    if (ok) {
        const int64_t given = StampOf(written).written;
        const int64_t t = (given > writtenAfter ? given : writtenAfter) + 1;
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(t / 1000000000), long(t % 1000000000)}};
        ok = ::futimens(fd, times) == 0;
    }
    return ::close(fd) == 0 && ok;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    struct stat st {};
    if (::stat(Native(path).c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return false;
    const int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, bytes);
    return ::close(fd) == 0 && ok;
}

bool RemoveFile(const std::string& path) { return ::unlink(Native(path).c_str()) == 0; }

intptr_t TryLockFile(const std::string& path) {
    const int fd = ::open(Native(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return kLockUnavailable;
    // A POSIX record lock (it also holds on network file systems) over the whole file.
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &fl) != 0) {
        const bool busy = errno == EACCES || errno == EAGAIN;
        ::close(fd);
        return busy ? kLockBusy : kLockUnavailable;
    }
    return fd;
}

void ReleaseFileLock(intptr_t handle) {
    if (handle >= 0) ::close(int(handle));  // closing ends the lock
}

std::string CurrentDirectory() {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return ".";
    return buf;
}

std::string AbsolutePath(const std::string& path) {
    const std::string p = Native(path);
    if (!p.empty() && p[0] == '/') return p;
    return CurrentDirectory() + "/" + p;
}

}  // namespace tastora
#endif
