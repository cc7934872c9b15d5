#include "profile/ini_file.h"

#include "profile/atomic_file.h"
#include "profile/native_text.h"
#include "profile/text_encoding.h"

#include <climits>
#include <system_error>

namespace quorvex::profile {

namespace {

// The default as the Windows function treats it: trailing blanks dropped,
// then copied like any value.
std::string_view preparedDefault(std::string_view value) {
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    return value;
}

// A value as it comes out of a buffer of bufferSize bytes. The Windows function
// copies a quoted value from behind its opening quote, closing quote included,
// cut to the buffer, and then drops the last character copied when the value
// with its closing quote is no longer than the buffer: a value that fills the
// buffer exactly inside its quotes (49 characters in 50 bytes) lost its closing
// quote to the cut and so loses its own last character.
std::string fitBuffer(std::string_view value, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    const std::string_view inner = unquote(value);
    if (inner.size() != value.size() && inner.size() + 1 == bufferSize) {
        return decodeProfileText(inner, inner.empty() ? 0 : inner.size() - 1);
    }
    return decodeProfileText(inner, bufferSize - 1);
}

} // namespace

IniSnapshot IniSnapshot::load(const std::filesystem::path& file) {
    FileRead read = readProfileBytes(file);
    const bool exists = read.status != FileRead::Status::Missing;
    if (read.status != FileRead::Status::Ok) read.bytes.clear();
    return IniSnapshot(IniDocument(std::move(read.bytes)), exists, std::move(read.problem));
}

bool IniSnapshot::hasSection(std::string_view section) const {
    return doc_.hasSection(section);
}

std::optional<std::string> IniSnapshot::find(std::string_view section, std::string_view key,
                                             std::size_t bufferSize) const {
    const auto raw = doc_.rawValue(section, key);
    if (!raw) return std::nullopt;
    return fitBuffer(*raw, bufferSize);
}

std::string IniSnapshot::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize) const {
    if (auto value = find(section, key, bufferSize)) return std::move(*value);
    return fitBuffer(preparedDefault(defaultValue), bufferSize);
}

int IniSnapshot::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto raw = doc_.rawValue(section, key);
    if (!raw) return defaultValue;
    return leadingDecimal(unquote(*raw)).value_or(defaultValue);
}

std::optional<int> leadingDecimal(std::string_view value) {
    value = trimBlanks(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    if (value.empty() || value.front() < '0' || value.front() > '9') return std::nullopt;
    long long magnitude = 0;
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    for (const char c : value) {
        if (c < '0' || c > '9') break;
        magnitude = std::min(magnitude * 10 + (c - '0'), kLimit); // never overflows
    }
    if (negative) return static_cast<int>(-magnitude);
    return static_cast<int>(std::min<long long>(magnitude, INT_MAX));
}

std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view defaultValue,
                       std::size_t bufferSize) {
    return IniSnapshot::load(file).readString(section, key, defaultValue, bufferSize);
}

int readInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
            int defaultValue) {
    return IniSnapshot::load(file).readInt(section, key, defaultValue);
}

WriteResult writeString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
    if (auto refused = checkWrite(section, key, value)) {
        return {false, "refused to write " + std::string(trimBlanks(key)) + ": " + *refused};
    }
    // Through a symbolic link, its target is read (and replaced, below).
    FileRead read = readProfileBytes(file);
    if (read.status != FileRead::Status::Ok && read.status != FileRead::Status::Missing) {
        return {false, read.problem};
    }
    const IniDocument doc(std::move(read.bytes));
    const auto updated = doc.withValue(section, key, value);
    if (!updated) return {true, {}}; // the file already holds this value
    if (auto failed = replaceFileAtomically(file, *updated)) return {false, *failed};
    return {true, {}};
}

} // namespace quorvex::profile
