#include "core/held_profiles.h"

#include "core/config_app.h"
#include "profile/ini_document.h"

#include <cctype>

namespace quorvex::core {

namespace {

std::string folded(std::string_view name) {
    std::string out(profile::trimBlanks(name));
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A held value read as the file would give it back (quotes, the 49-byte cut).
profile::IniSnapshot asFile(const std::string& value) {
    return profile::IniSnapshot::fromText("[s]\nk=" + value + "\n");
}

} // namespace

void HeldProfiles::hold(int selector, Start start) {
    held_[selector] = Held{start, {}, {}};
}

const ProfileStore::KeyValue* HeldProfiles::find(int selector, std::string_view section,
                                                 std::string_view key) const {
    auto h = held_.find(selector);
    if (h == held_.end()) return nullptr;
    auto at = h->second.index.find({folded(section), folded(key)});
    return at == h->second.index.end() ? nullptr : &h->second.keys[at->second];
}

std::vector<ProfileStore::KeyValue> HeldProfiles::written(int selector) const {
    auto h = held_.find(selector);
    return h == held_.end() ? std::vector<KeyValue>{} : h->second.keys;
}

profile::WriteResult HeldProfiles::commit(int selector) {
    auto h = held_.find(selector);
    if (h == held_.end()) return profile::WriteResult{true, {}};
    return base_.writeKeys(selector, h->second.keys, h->second.start == Start::Empty);
}

std::string HeldProfiles::readString(int selector, std::string_view section, std::string_view key,
                                     std::string_view def) {
    if (const KeyValue* k = find(selector, section, key))
        return asFile(k->value).readString("s", "k", def);
    auto h = held_.find(selector);
    if (h != held_.end() && h->second.start == Start::Empty)
        return asFile("").readString("none", "none", def);
    return base_.readString(selector, section, key, def);
}

int HeldProfiles::readInt(int selector, std::string_view section, std::string_view key, int def) {
    if (const KeyValue* k = find(selector, section, key))
        return asFile(k->value).readInt("s", "k", def);
    auto h = held_.find(selector);
    if (h != held_.end() && h->second.start == Start::Empty) return def;
    return base_.readInt(selector, section, key, def);
}

profile::WriteResult HeldProfiles::writeString(int selector, std::string_view section,
                                               std::string_view key, std::string_view value) {
    auto h = held_.find(selector);
    if (h == held_.end()) return base_.writeString(selector, section, key, value);
    // Refused as the file would refuse it, before it is ever written.
    if (auto refused = profile::checkWrite(section, key, value)) {
        return profile::WriteResult{
            false, "refused to write " + std::string(profile::trimBlanks(key)) + ": " + *refused};
    }
    Held& held = h->second;
    const std::pair<std::string, std::string> name{folded(section), folded(key)};
    std::string trimmed(profile::trimBlanks(value));
    if (auto at = held.index.find(name); at != held.index.end()) {
        held.keys[at->second].value = std::move(trimmed);
    } else {
        held.index.emplace(name, held.keys.size());
        held.keys.push_back(KeyValue{std::string(profile::trimBlanks(section)),
                                     std::string(profile::trimBlanks(key)), std::move(trimmed)});
    }
    return profile::WriteResult{true, {}};
}

profile::WriteResult HeldProfiles::restore(int selector, const Contents& before) {
    if (held_.count(selector) != 0) {
        hold(selector, held_[selector].start); // nothing of the held file was written yet
        return profile::WriteResult{true, {}};
    }
    return base_.restore(selector, before);
}

std::vector<std::string> HeldProfiles::sectionNames(int selector) {
    return base_.sectionNames(selector);
}

bool HeldProfiles::holdsKey(int selector, std::string_view section, std::string_view key) {
    if (find(selector, section, key) != nullptr) return true;
    auto h = held_.find(selector);
    if (h != held_.end() && h->second.start == Start::Empty) return false;
    return base_.holdsKey(selector, section, key);
}

ProfilesInPlace::ProfilesInPlace(CConfigApp& app, ProfileStore& store)
    : app_(app), previous_(app.profiles()) {
    app_.useProfiles(store);
}

ProfilesInPlace::~ProfilesInPlace() {
    app_.useProfiles(previous_);
}

} // namespace quorvex::core
