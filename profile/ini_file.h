#pragma once
// Initialisation-file access with the semantics of the Windows profile functions:
// case-insensitive section and key names, reads into a 50-byte buffer (at most
// 49 characters back), numbers as the leading decimal number of the value,
// writes that create file, section and key as needed and replace a value in
// place. Every write replaces the file atomically.

#include "profile/ini_document.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::profile {

inline constexpr std::size_t kReadBufferSize = 50;

// The value of key in section, or defaultValue when the file, the section or
// the key is missing. At most bufferSize - 1 characters come back.
std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view defaultValue,
                       std::size_t bufferSize = kReadBufferSize);

// The leading decimal number of the value (optional sign, digits), or
// defaultValue when the key is missing or its value has no leading digits.
int readInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
            int defaultValue);

struct WriteResult {
    bool ok = false;
    std::string error; // why the write failed, for the user
    explicit operator bool() const { return ok; }
};

// Writes key=value into section, creating file, section and key as needed.
// The file is replaced atomically (temporary file, flush, rename); on any
// failure the old file stays as it was and the result says why.
WriteResult writeString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// One file read once, for callers that read many keys (a page loading its
// section, the command line's dump) or must tell a missing file, section or key
// apart. Reads behave exactly as the free functions above.
class IniSnapshot {
public:
    // Never fails: a missing, unreadable or oversized file reads as empty, and
    // problem() says why.
    static IniSnapshot load(const std::filesystem::path& file);
    // The bytes of a file already read (an existing file).
    static IniSnapshot fromText(std::string bytes) {
        return IniSnapshot(IniDocument(std::move(bytes)), true, {});
    }

    bool exists() const { return exists_; }
    // Why the file could not be read; empty when it was read or does not exist.
    const std::string& problem() const { return problem_; }

    bool hasSection(std::string_view section) const;
    // The value as readString gives it, nullopt when the section or the key is
    // missing or the key line has no "=".
    std::optional<std::string> find(std::string_view section, std::string_view key,
                                    std::size_t bufferSize = kReadBufferSize) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue,
                           std::size_t bufferSize = kReadBufferSize) const;
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Section names in file order (duplicates included) and the keys of a
    // section in file order (comment lines and lines without "=" left out).
    std::vector<std::string> sectionNames() const { return doc_.sectionNames(); }
    std::vector<std::string> keyNames(std::string_view section) const {
        return doc_.keyNames(section);
    }

private:
    IniSnapshot(IniDocument doc, bool exists, std::string problem)
        : doc_(std::move(doc)), exists_(exists), problem_(std::move(problem)) {}
    IniDocument doc_;
    bool exists_ = false;
    std::string problem_;
};

// The leading decimal number of a value: an optional sign, then digits;
// nullopt when there are no digits. Values beyond the range of int clamp to
// INT_MIN / INT_MAX.
std::optional<int> leadingDecimal(std::string_view value);

} // namespace quorvex::profile
