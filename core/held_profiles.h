#pragma once
// Profile writes held in memory. A save collects its keys here and writes the
// file once, when every key is there: a full disk or a read-only folder fails
// that one write (one reason, not one per key), Ctrl-C during the long
// reading of the device leaves nothing behind, and the file is never half
// new. The same holding lets a load read a profile with keys put in, and a
// trial run write nothing at all.

#include "core/profile_store.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace quorvex::core {

class CConfigApp;

class HeldProfiles final : public ProfileStore {
public:
    explicit HeldProfiles(ProfileStore& base) : base_(base) {}

    // How a held file begins: empty (a fresh file, whose reads give the
    // defaults), or as the file is (reads of keys not written pass on to it).
    enum class Start { Empty, AsFile };
    // Writes of selector are held from now on; reads see them.
    void hold(int selector, Start start);

    // The keys written to selector, in the order of their first write.
    std::vector<KeyValue> written(int selector) const;
    // Writes the held keys of selector into its file, as one replacement.
    profile::WriteResult commit(int selector);

    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view def) override;
    int readInt(int selector, std::string_view section, std::string_view key, int def) override;
    profile::WriteResult writeString(int selector, std::string_view section, std::string_view key,
                                     std::string_view value) override;
    // The base store's file; the held writes are not in it.
    Contents contents(int selector) override { return base_.contents(selector); }
    profile::WriteResult restore(int selector, const Contents& before) override;
    std::vector<std::string> sectionNames(int selector) override;
    bool holdsKey(int selector, std::string_view section, std::string_view key) override;
    std::optional<std::string> writeRefusal(int selector) override {
        return base_.writeRefusal(selector);
    }

private:
    struct Held {
        Start start = Start::Empty;
        std::vector<KeyValue> keys; // in the order of the first write
        std::map<std::pair<std::string, std::string>, std::size_t> index; // folded names
    };
    const KeyValue* find(int selector, std::string_view section, std::string_view key) const;

    ProfileStore& base_;
    std::map<int, Held> held_;
};

// Puts store in the place of the application's profiles for a scope.
class ProfilesInPlace {
public:
    ProfilesInPlace(CConfigApp& app, ProfileStore& store);
    ~ProfilesInPlace();
    ProfilesInPlace(const ProfilesInPlace&) = delete;
    ProfilesInPlace& operator=(const ProfilesInPlace&) = delete;

private:
    CConfigApp& app_;
    ProfileStore& previous_;
};

} // namespace quorvex::core
