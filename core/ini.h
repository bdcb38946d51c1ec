#pragma once
// INI files with the semantics of the Windows profile-file services: section and key names
// matched without regard to case (Cyrillic included), Windows-1251 text with CR LF on disk,
// the first match winning. A write replaces the file safely (temporary file flushed to
// disk, then rename), keeping every other line as it was, and holds the data lock
// (core/data_lock.h) from its check of the file to the replace. A write that only changes
// existing values to others of the same length within one page of the file (a counter
// going from 41 to 42) writes those bytes in place instead: the file is the same as the
// replacement would leave it, and at no moment another.
// Names and values are UTF-8 in this interface.
//
// One object is one operation (a login, an evaluation, a counter update): its first lookup
// compares the file's size, write time and identity with the parse the program keeps of
// it, reads and parses the file again only when they differ, and every further lookup of
// the object is answered from that parse. A write goes to the file at once and updates the
// parse; it always checks the file first, under the lock, so nothing another copy of the
// program wrote is lost. An object kept for longer calls Refresh() at the start of each
// operation.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tastora {

class IniFile {
public:
    // path as the program names it, e.g. "data\\users.ini".
    explicit IniFile(std::string path);

    const std::string& FileName() const { return path_; }

    // Missing file, section or key give the default; a value is at most 2047 characters.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def);
    // A value that is not a decimal integer gives the default.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def);
    // A real in the given regional format; a value that does not convert gives the default.
    double ReadFloat(const std::string& section, const std::string& key, double def, char decimalSeparator);
    // True when the section exists and holds at least one key.
    bool SectionHasKeys(const std::string& section);
    bool SectionExists(const std::string& section);
    std::vector<std::string> ReadSection(const std::string& section);  // key names

    // Writes create the file (not its folder). A failed write raises TastoraError
    // "Unable to write to <file name>".
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Several keys of one section, in order, with one safe replace of the file: the file
    // ends as the single writes would leave it, or (on a failure) as it was.
    void WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteFloat(const std::string& section, const std::string& key, double value, char decimalSeparator);
    void EraseSection(const std::string& section);
    // Every section of each of these names, with one safe replace of the file.
    void EraseSections(const std::vector<std::string>& sections);

    // The whole file at once, as the lookups see it: every section in file order with its
    // keys and values (UTF-8, trimmed and unquoted as ReadString gives them, every key line
    // kept, so the first of a name is the one the lookups find), and the numbers (from 1)
    // of the lines that hold something no lookup can read: a line without "=" or with an
    // empty name inside a section, a key line before the first section.
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
    };
    struct Contents {
        bool exists = false;
        std::vector<Section> sections;
        std::vector<int> unreadableLines;
    };
    Contents ReadAll();

    // The next lookup checks the file again.
    void Refresh() { checked_ = false; }

    // Forgets every kept parse (tests, and a data folder that was swapped).
    static void ForgetAll();

    struct Parse;  // the kept parse of a file (core/ini.cpp)

private:
    Parse& Current(bool check);
    void Written(Parse& p, bool ok);

    std::string path_;
    std::string key_;  // the absolute path, fixed at the first check
    bool checked_ = false;
};

}  // namespace tastora
