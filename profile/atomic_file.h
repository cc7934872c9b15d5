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

// Replaces file with content atomically, keeping the permission bits and,
// where allowed, the owner of the file it replaces (a new file gets 0666 less
// the umask). A symbolic link is followed: its target is replaced and the
// link stays a link. nullopt on success, else why it failed, in one line that
// names the file; on failure the old file is untouched and no temporary file
// is left behind. Every file the program writes goes through here.
std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view content,
                                                 InjectedFault fault = InjectedFault::None);

// The file a replacement of file writes: the end of a chain of symbolic links
// (resolved relative to each link's folder), file itself otherwise.
std::filesystem::path replacementTarget(const std::filesystem::path& file);

// Why content could not replace file, asked before the work that makes the
// content (a backup reads the device for half a minute first): a folder, a
// device node, a FIFO or a socket in its place (behind links too), a missing
// folder, or one this process may not write into. nullopt when nothing stands
// in the way yet.
std::optional<std::string> replacementRefusal(const std::filesystem::path& file);

// From now on no file is replaced (each attempt fails); a replacement under
// way ends first, whole or not at all, so that no temporary file is left
// behind. For a program that ends on Ctrl-C or SIGTERM; any thread may call it.
void stopReplacing();

namespace detail {
// The platform's replacement of a file that is no link (atomic_file_linux.cpp,
// atomic_file_win32.cpp); replaceFileAtomically calls it.
std::optional<std::string> replacePlainFile(const std::filesystem::path& file,
                                            std::string_view content, InjectedFault fault);
} // namespace detail

} // namespace quorvex::profile
