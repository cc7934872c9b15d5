#pragma once
// Initialisation-file access with the semantics of the Windows profile functions:
// case-insensitive section and key names, reads into a 50-byte buffer (at most
// 49 characters back), numbers as the leading decimal number of the value,
// writes that create file, section and key as needed and replace a value in
// place. Every write replaces the file atomically.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

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

} // namespace quorvex::profile
