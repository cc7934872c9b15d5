#pragma once
// The program's way to its profile files. Every section operation names a
// file by selector; the desktop program maps selectors to paths
// (IniProfileStore), tests use an in-memory store.

#include "profile/ini_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::core {

enum ProfileSelector : int {
    kDefaultProfile = 0, // "default.pro": language, sound, port names, symbols, providers
    kCurrentProfile = 1, // the profile chosen last in a file dialog
    kWinIni = 2,         // win.ini: the first-run marker
};

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // At most 49 characters come back; def when the file, section or key is missing.
    virtual std::string readString(int selector, std::string_view section, std::string_view key,
                                   std::string_view def) = 0;
    // The leading decimal number of the value, def when there is none.
    virtual int readInt(int selector, std::string_view section, std::string_view key, int def) = 0;
    virtual profile::WriteResult writeString(int selector, std::string_view section,
                                             std::string_view key, std::string_view value) = 0;

    // The whole file behind a selector, taken before work that may write into
    // it and put back with restore() when that work must leave no trace.
    struct Contents {
        bool exists = false;  // false: there is no such file
        bool readable = true; // false: it could not be read, so it cannot be put back
        std::string bytes;
        bool operator==(const Contents&) const = default;
    };
    virtual Contents contents(int selector) = 0;
    // The file as it was when contents() was taken (removed when it did not exist).
    virtual profile::WriteResult restore(int selector, const Contents& before) = 0;
    // The names of the file's sections, in file order (by default read from
    // contents(), which holds the file's bytes).
    virtual std::vector<std::string> sectionNames(int selector);

    // Why no file could be written behind selector (a folder, a device or a
    // FIFO in its place, a folder that cannot be written into), asked before
    // the work that makes its content; nullopt when nothing stands in the way
    // (by default: a store in memory).
    virtual std::optional<std::string> writeRefusal(int /*selector*/) { return std::nullopt; }

    // Whether the file behind selector holds key (with a value) in section
    // (by default read from contents()).
    virtual bool holdsKey(int selector, std::string_view section, std::string_view key);

    struct KeyValue {
        std::string section;
        std::string key;
        std::string value;
    };
    // Writes every key into the file behind selector (starting from an empty
    // file when fresh) as one replacement of the file: all of them, or on
    // failure none, with one reason. By default key by key (stores in memory).
    virtual profile::WriteResult writeKeys(int selector, const std::vector<KeyValue>& keys,
                                           bool fresh);
};

// Why the file behind a selector may not be loaded: a load goes on with a
// default for every missing key and sends it, so a file that is missing,
// unreadable or holds no section of a profile would put defaults over every
// setting of the device.
enum class LoadRefusal { Unreadable, NoProfile };
std::optional<LoadRefusal> loadRefusal(ProfileStore& store, int selector);
// The message of a refusal (English id); the file's name follows it.
inline constexpr int kTextProfileUnreadable = 9956;
inline constexpr int kTextNoProfile = 9958;
inline int loadRefusalText(LoadRefusal refusal) {
    return refusal == LoadRefusal::Unreadable ? kTextProfileUnreadable : kTextNoProfile;
}

// What a load does with the settings a profile lacks.
enum class MissingKeys {
    Defaults, // loaded as their default values (a complete file: as always)
    Keep,     // not loaded: the device keeps its own values for them
};

// Collects the writes that failed during a save, so that the user learns
// that a profile was not (completely) written instead of believing it was.
class WriteReport {
public:
    struct Failure {
        int selector = 0;
        std::string section;
        std::string key;
        std::string reason;
    };

    // Writes one key and remembers it when the write fails. Returns whether it worked.
    bool write(ProfileStore& store, int selector, std::string_view section, std::string_view key,
               std::string_view value);
    void add(Failure failure) { failures_.push_back(std::move(failure)); }
    void merge(const WriteReport& other);

    bool ok() const { return failures_.empty(); }
    const std::vector<Failure>& failures() const { return failures_; }
    // One line per failed key: "SECTION/KEY: reason".
    std::string describe() const;

private:
    std::vector<Failure> failures_;
};

// What a save does when some of its items were not confirmed by the device
// in this run (a query failed, and the page holds a stand-in default).
enum class Unconfirmed {
    Ask,    // "Save Profile As...": the user is told which, and decides
    Refuse, // before an upgrade, and on the command line: nothing is written
};

struct SaveResult {
    WriteReport writes;
    // "SECTION/KEY" of every item the device did not confirm, in save order.
    std::vector<std::string> unconfirmed;
    bool written = false; // false: nothing at all was written
    bool ok() const { return written && writes.ok(); }
};

} // namespace quorvex::core
