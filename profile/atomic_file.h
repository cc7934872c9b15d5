#pragma once
// Replacing a file as a whole: a temporary file in the same folder, written,
// flushed to the disk and renamed over the original, so that a reader sees
// either the old file or the new one and never a part of either.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::profile {

// Profiles are a few kilobytes; anything beyond this is not a profile, and
// reading it whole could exhaust the memory.
inline constexpr std::size_t kMaxProfileBytes = 4 * 1024 * 1024;

struct FileRead {
    enum class Status { Ok, Missing, NotRegular, TooLarge, Unreadable };
    Status status = Status::Missing;
    std::string bytes;   // the content when Ok
    std::string problem; // a sentence for the user when neither Ok nor Missing
};

// Reads a regular file of at most kMaxProfileBytes bytes. Never blocks on a
// FIFO or device, never throws.
FileRead readProfileBytes(const std::filesystem::path& file);

// Where a test makes the replacement fail on purpose.
enum class InjectedFault { None, Write, Sync, Rename };

// Replaces file with content atomically, keeping the permission bits of the
// file it replaces (a new file gets 0666 less the umask). nullopt on success,
// else why it failed; on failure the old file is untouched and no temporary
// file is left behind.
std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view content,
                                                 InjectedFault fault = InjectedFault::None);

} // namespace quorvex::profile
