#pragma once
// The wrong keys of an exercise on their way to the profiles' per-key counters in users.ini.
// A wrong key is counted here at once and written a moment later, after the learner has
// seen it: the counts of keys typed meanwhile go to the file together.
#include <cstdint>
#include <string>
#include <vector>

#include "users/profile_store.h"

namespace tastora {

class ErrorCounts {
public:
    // One more error at the profile's counter of the key, typed plain or with Shift.
    void Add(const std::string& profile, int key, bool shifted);
    bool Pending() const { return !pending_.empty(); }
    // Adds every pending count to its counter in the store, one counter at a time, each read
    // and written under the data lock (another copy of the program may count into the same
    // file); a counter stops at the largest 32-bit value. The counts are gone afterwards,
    // also when a write fails: its TastoraError is raised and the counts not yet written
    // are lost, as the file cannot take them.
    void Write(ProfileStore& store);

private:
    struct Count {
        std::string profile;
        int key;
        bool shifted;
        int32_t errors;
    };
    std::vector<Count> pending_;  // in the order of the first error of each counter
};

}  // namespace tastora
