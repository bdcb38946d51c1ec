#include "users/error_counts.h"

#include <algorithm>
#include <limits>

#include "core/data_lock.h"

namespace tastora {

void ErrorCounts::Add(const std::string& profile, const std::string& key) {
    for (Count& c : pending_)
        if (c.profile == profile && c.key == key) {
            if (c.errors < std::numeric_limits<int32_t>::max()) ++c.errors;
            return;
        }
    pending_.push_back(Count{profile, key, 1});
}

void ErrorCounts::Write(IniFile& file) {
    std::vector<Count> counts;
    counts.swap(pending_);
    for (const Count& c : counts) {
        const DataLock lock;  // the counter read and written in one go
        file.Refresh();
        const int64_t now = file.ReadInteger(c.profile, c.key, 0);
        const int64_t sum = std::min<int64_t>(now + c.errors, std::numeric_limits<int32_t>::max());
        if (sum != now) file.WriteInteger(c.profile, c.key, int32_t(sum));
    }
}

}  // namespace tastora
