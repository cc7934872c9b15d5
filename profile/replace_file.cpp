// What every replacement of a file shares on both platforms: a symbolic link
// is followed to the file it names, what cannot hold a file is refused before
// any work, and the end of the program (Ctrl-C, SIGTERM) waits for a
// replacement under way, so that no temporary file is left behind.
#include "profile/atomic_file.h"
#include "profile/native_text.h"

#include <mutex>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace quorvex::profile {

namespace fs = std::filesystem;

namespace {

// A chain longer than this is a loop, as the system counts it (ELOOP).
constexpr int kMaxLinks = 40;

struct Replacements {
    std::mutex mutex; // held for a whole replacement
    bool stopped = false;
};

Replacements& replacements() {
    static Replacements r;
    return r;
}

bool isLink(const fs::path& file) {
    std::error_code ec;
    return fs::is_symlink(file, ec);
}

std::optional<std::string> linkLoop(const fs::path& file, const fs::path& target) {
    if (!isLink(target)) return std::nullopt;
    return utf8Of(file) + ": " +
           std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
}

} // namespace

fs::path replacementTarget(const fs::path& file) {
    fs::path current = file;
    for (int i = 0; i < kMaxLinks && isLink(current); ++i) {
        std::error_code ec;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

std::optional<std::string> replacementRefusal(const fs::path& file) {
    const fs::path target = replacementTarget(file);
    if (auto loop = linkLoop(file, target)) return loop;
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::regular:
        break;
    case fs::file_type::directory:
        return utf8Of(target) + " is a directory";
    case fs::file_type::block:
    case fs::file_type::character:
        return utf8Of(target) + " is a device, not a file";
    case fs::file_type::fifo:
        return utf8Of(target) + " is a FIFO, not a file";
    case fs::file_type::socket:
        return utf8Of(target) + " is a socket, not a file";
    default:
        return utf8Of(target) + " is not a regular file";
    }
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) {
        return "cannot create a file in " + utf8Of(dir) + ": " +
               std::make_error_code(std::errc::no_such_file_or_directory).message();
    }
#ifndef _WIN32
    // A read-only mount, or a folder of another user (root passes the
    // permission bits, not a read-only mount).
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        return "cannot create a file in " + utf8Of(dir) + ": " + std::strerror(errno);
#endif
    return std::nullopt;
}

std::optional<std::string> replaceFileAtomically(const fs::path& file, std::string_view content,
                                                 InjectedFault fault) {
    Replacements& r = replacements();
    const std::lock_guard<std::mutex> lock(r.mutex);
    if (r.stopped) return utf8Of(file) + " was not written: the program is ending";
    const fs::path target = replacementTarget(file);
    if (auto loop = linkLoop(file, target)) return loop;
    return detail::replacePlainFile(target, content, fault);
}

void stopReplacing() {
    Replacements& r = replacements();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.stopped = true;
}

} // namespace quorvex::profile
