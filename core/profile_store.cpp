#include "core/profile_store.h"

#include "profile/ini_document.h"
#include "profile/sections.h"

namespace quorvex::core {

std::vector<std::string> ProfileStore::sectionNames(int selector) {
    return profile::IniDocument(contents(selector).bytes).sectionNames();
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
