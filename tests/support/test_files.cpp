#include "tests/support/test_files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/text.h"

namespace fs = std::filesystem;

namespace tastora {

namespace {
std::string Native(std::string p) {
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}
}  // namespace

std::string MakeTempFolder(const std::string& prefix) {
#ifdef _WIN32
    // No mkdtemp on Windows (the benchmarks' build): a new folder of a random name.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = fs::temp_directory_path() / (prefix + std::to_string(random()));
        if (fs::create_directory(p)) return p.string();
    }
    throw std::runtime_error("cannot create a temporary folder");
#else
    std::string tmpl = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(&tmpl[0])) throw std::runtime_error("mkdtemp failed");
    return tmpl;
#endif
}

TempDataDir::TempDataDir() {
    previous_ = fs::current_path().string();
    path_ = MakeTempFolder("tastora-test-");
    fs::create_directories(fs::path(path_) / "data" / "text");
    fs::current_path(path_);
}

TempDataDir::~TempDataDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    // Read-only files made by a test must not stop the clean-up.
    for (auto& e : fs::recursive_directory_iterator(path_, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void WriteTestFile(const std::string& path, const std::string& bytes) {
    const fs::path p(Native(path));
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadTestFile(const std::string& path) {
    std::ifstream in(Native(path), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool TestFileExists(const std::string& path) { return fs::exists(Native(path)); }

std::string Utf16Lines(const std::vector<std::string>& lines) {
    std::string out("\xFF\xFE", 2);
    auto put = [&out](char16_t u) {
        out += char(u & 0xFF);
        out += char(u >> 8);
    };
    for (const auto& line : lines) {
        for (char16_t u : Utf8ToUtf16(line)) put(u);
        put(u'\r');
        put(u'\n');
    }
    return out;
}

std::string LessonFileBytes(const std::string& caption, const std::string& message, int letterSet,
                            const std::vector<std::string>& textLines) {
    std::vector<std::string> lines{caption, message, std::to_string(letterSet), std::to_string(textLines.size()),
                                   "TEXT"};
    lines.insert(lines.end(), textLines.begin(), textLines.end());
    lines.push_back("ENDEX");
    return Utf16Lines(lines);
}

std::string GeneratedDataDir() {
    const char* env = std::getenv("TASTORA_DATA_DIR");
    if (env && *env) return env;
#ifdef TASTORA_DATA_DIR
    return TASTORA_DATA_DIR;
#else
    return "";
#endif
}

bool CopyGeneratedData() {
    const std::string dir = GeneratedDataDir();
    if (dir.empty() || !fs::exists(fs::path(dir) / "litere.txt")) return false;
    fs::copy(dir, "data", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    return true;
}

}  // namespace tastora
