#pragma once
// For fuzz targets that read through the program's file layer: a private temporary folder,
// made the current directory once per process, with empty data\ and data\text\ folders in
// it (the fuzzer must therefore be given absolute paths).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/files.h"

namespace tastora::fuzz {

inline void EnterScratchFolder() {
    static const bool entered = [] {
        // In memory where there is such a folder: the file layer flushes every write to disk.
        struct stat st;
        char shm[] = "/dev/shm/tastora-fuzz-XXXXXX", tmp[] = "/tmp/tastora-fuzz-XXXXXX";
        char* templ = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? shm : tmp;
        if (!mkdtemp(templ) || chdir(templ) != 0 || mkdir("data", 0755) != 0 || mkdir("data/text", 0755) != 0) abort();
        static std::string folder = templ;
        atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        });
        return true;
    }();
    (void)entered;
}

// Puts the input into the file (a path the program's way, under data\).
inline void PutFile(const std::string& path, const uint8_t* data, size_t size) {
    EnterScratchFolder();
    if (!WriteFileReplacing(path, std::string(reinterpret_cast<const char*>(data), size))) abort();
}

}  // namespace tastora::fuzz
