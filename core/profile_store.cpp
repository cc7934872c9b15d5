#include "core/profile_store.h"

namespace quorvex::core {

bool WriteReport::write(ProfileStore& store, int selector, std::string_view section,
                        std::string_view key, std::string_view value) {
    profile::WriteResult r = store.writeString(selector, section, key, value);
    if (r.ok) return true;
    failures_.push_back(Failure{selector, std::string(section), std::string(key),
                                r.error.empty() ? std::string("write failed") : r.error});
    return false;
}

void WriteReport::merge(const WriteReport& other) {
    failures_.insert(failures_.end(), other.failures_.begin(), other.failures_.end());
}

std::string WriteReport::describe() const {
    std::string text;
    for (const Failure& f : failures_) {
        text += f.section;
        text += '/';
        text += f.key;
        text += ": ";
        text += f.reason;
        text += '\n';
    }
    return text;
}

} // namespace quorvex::core
