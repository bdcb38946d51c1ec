#pragma once
#include <map>
#include <string>
#include <vector>

namespace tastora {

struct IniDiffResult {
    long reads = 0, writes = 0;
    std::vector<std::string> failures;       // different answers
    int fileFailures = 0;                    // files that differ beyond the named differences
    std::map<std::string, int> differences;  // named, deliberate differences and their counts
    std::string firstFileDifference;
};

// Generated files in data\ of the current directory, compared with the system's functions.
// cyrillicInAnyCase: Cyrillic names in other letter cases too (Wine does not match them);
// otherwise each Cyrillic name has one spelling and only Latin ones vary in case.
IniDiffResult RunIniDiff(int files, unsigned seed, bool cyrillicInAnyCase);

}  // namespace tastora
