// INI files (users.ini, rez.ini): the input's first two lines name a section and a key, the
// rest is the file. Reads must not fail; a write keeps every other line and reads back.
#include <cstdlib>

#include "core/errors.h"
#include "core/ini.h"
#include "core/text.h"
#include "fuzz/fuzz_files.h"

namespace {

std::string TakeLine(std::string& s) {
    const size_t lf = s.find('\n');
    std::string line = s.substr(0, lf);
    s.erase(0, lf == std::string::npos ? s.size() : lf + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tastora;
    std::string rest(reinterpret_cast<const char*>(data), size);
    const std::string section = TakeLine(rest), key = TakeLine(rest);
    fuzz::PutFile("data\\f.ini", reinterpret_cast<const uint8_t*>(rest.data()), rest.size());
    IniFile ini("data\\f.ini");
    ini.ReadString(section, key, "");
    ini.ReadInteger(section, key, 0);
    ini.ReadFloat(section, key, 0, ',');
    ini.SectionHasKeys(section);
    for (const std::string& k : ini.ReadSection(section)) ini.ReadString(section, k, "");
    // The whole file at once (the class journal) agrees with the lookups: the first key of
    // the first section reads the same either way (when both names can be named in UTF-8: the
    // code page's unused byte 0x98 cannot).
    const IniFile::Contents all = ini.ReadAll();
    if (!all.sections.empty() && !all.sections[0].values.empty()) {
        const auto& first = all.sections[0].values[0];
        bool sectionNamed = false, keyNamed = false;
        Utf8ToCp1251(all.sections[0].name, &sectionNamed);
        Utf8ToCp1251(first.first, &keyNamed);
        if (sectionNamed && keyNamed && ini.ReadString(all.sections[0].name, first.first, "\x01") != first.second)
            abort();
    }
    try {
        ini.WriteString(section, key, "v");
    } catch (const TastoraError&) {
        return 0;  // names the file cannot hold are refused
    }
    // What was written reads back (the value is the first key of that name in the first
    // section of that name, which the write either found or made).
    if (ini.ReadString(section, key, "missing") != "v") abort();
    try {
        ini.EraseSection(section);
    } catch (const TastoraError&) {
        abort();
    }
    if (ini.SectionExists(section)) abort();
    return 0;
}
