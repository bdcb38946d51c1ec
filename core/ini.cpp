#include "core/ini.h"

namespace tastora {

IniFile::IniFile(std::string path) : path_(std::move(path)) {}
std::string IniFile::ReadString(const std::string&, const std::string&, const std::string& def) { return def; }
int32_t IniFile::ReadInteger(const std::string&, const std::string&, int32_t def) { return def; }
double IniFile::ReadFloat(const std::string&, const std::string&, double def, char) { return def; }
bool IniFile::SectionHasKeys(const std::string&) { return false; }
bool IniFile::SectionExists(const std::string&) { return false; }
std::vector<std::string> IniFile::ReadSection(const std::string&) { return {}; }
void IniFile::WriteString(const std::string&, const std::string&, const std::string&) {}
void IniFile::WriteInteger(const std::string&, const std::string&, int32_t) {}
void IniFile::WriteFloat(const std::string&, const std::string&, double, char) {}
void IniFile::EraseSection(const std::string&) {}

}  // namespace tastora
