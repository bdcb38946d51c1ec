#include "users/error_counts.h"

#include <limits>

namespace tastora {

void ErrorCounts::Add(const std::string& profile, int key, bool shifted) {
    for (Count& c : pending_)
        if (c.profile == profile && c.key == key && c.shifted == shifted) {
            if (c.errors < std::numeric_limits<int32_t>::max()) ++c.errors;
            return;
        }
    pending_.push_back(Count{profile, key, shifted, 1});
}

void ErrorCounts::Write(ProfileStore& store) {
    std::vector<Count> counts;
    counts.swap(pending_);
    for (const Count& c : counts) store.AddErrors(c.profile, c.key, c.shifted, c.errors);
}

}  // namespace tastora
