#pragma once
// In-memory stand-ins for the clock and the profile files.
//
// FakeClock: now() returns a counter; sleep(ms) adds ms and records it, so a
// test sees every wait and never waits itself.
//
// FakeProfileStore: per selector a set of sections and keys with the file
// rules the program relies on (names without regard to case, at most 49
// characters back, numbers as the leading decimal number). Writes are
// recorded in order; failWrites(...) makes writes fail like a full disk.

#include "core/clock.h"
#include "core/profile_store.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace quorvex::test {

class FakeClock final : public core::Clock {
public:
    std::int64_t now() override { return now_; }
    void sleep(std::int64_t ms) override {
        sleeps.push_back(ms);
        if (ms > 0) now_ += ms;
    }
    void advance(std::int64_t ms) { now_ += ms; }
    void set(std::int64_t t) { now_ = t; }

    std::vector<std::int64_t> sleeps;

private:
    std::int64_t now_ = 100000;
};

class FakeProfileStore final : public core::ProfileStore {
public:
    struct Write {
        int selector;
        std::string section, key, value;
        bool ok;
    };

    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view def) override;
    int readInt(int selector, std::string_view section, std::string_view key, int def) override;
    profile::WriteResult writeString(int selector, std::string_view section, std::string_view key,
                                     std::string_view value) override;
    Contents contents(int selector) override;
    profile::WriteResult restore(int selector, const Contents& before) override;
    std::vector<std::string> sectionNames(int selector) override;
    bool holdsKey(int selector, std::string_view section, std::string_view key) override {
        return get(selector, section, key).has_value();
    }

    void set(int selector, std::string_view section, std::string_view key, std::string_view value);
    std::optional<std::string> get(int selector, std::string_view section,
                                   std::string_view key) const;
    // Every write to selector fails (key empty), or only writes of that key.
    void failWrites(int selector, std::string key = "") { failing_.insert({selector, key}); }

    std::vector<Write> writes;

private:
    using Key = std::tuple<int, std::string, std::string>;
    static Key makeKey(int selector, std::string_view section, std::string_view key);
    std::map<Key, std::string> values_;
    std::set<std::pair<int, std::string>> failing_;
};

} // namespace quorvex::test
