#include "core/profile_store.h"

#include "profile/ini_document.h"
#include "profile/sections.h"

namespace quorvex::core {

std::vector<std::string> ProfileStore::sectionNames(int selector) {
    return profile::IniDocument(contents(selector).bytes).sectionNames();
}

profile::WriteResult ProfileStore::writeKeys(int selector, const std::vector<KeyValue>& keys,
                                             bool fresh) {
    if (fresh) {
        if (profile::WriteResult r = restore(selector, Contents{}); !r.ok) return r;
    }
    for (const KeyValue& k : keys) {
        if (profile::WriteResult r = writeString(selector, k.section, k.key, k.value); !r.ok)
            return r;
    }
    return profile::WriteResult{true, {}};
}

bool ProfileStore::holdsKey(int selector, std::string_view section, std::string_view key) {
    return profile::IniDocument(contents(selector).bytes).rawValue(section, key).has_value();
}

std::optional<LoadRefusal> loadRefusal(ProfileStore& store, int selector) {
    const ProfileStore::Contents contents = store.contents(selector);
    if (!contents.exists || !contents.readable) return LoadRefusal::Unreadable;
    if (!profile::holdsProfileSection(store.sectionNames(selector))) return LoadRefusal::NoProfile;
    return std::nullopt;
}

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
        if (f.section.empty() && f.key.empty()) {
            text += f.reason + '\n'; // the file as a whole
            continue;
        }
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
