#pragma once
#include <map>
#include <string>
#include <vector>

namespace tastora {

struct IniDiffResult {
    long reads = 0, writes = 0;
    std::vector<std::string> failures;
    std::map<std::string, int> differences;  // named, deliberate differences and their counts
    std::string firstFileDifference;
};

// Generated files in data\ of the current directory, compared with the system's functions.
IniDiffResult RunIniDiff(int files, unsigned seed);

}  // namespace tastora
