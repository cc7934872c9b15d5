#include "profile/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvex::profile {

namespace {

std::string describe(const std::string& what, const std::filesystem::path& file, int err) {
    return what + " " + file.string() + ": " + std::strerror(err);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

FileRead readProfileBytes(const std::filesystem::path& file) {
    FileRead result;
    // O_NONBLOCK: opening a FIFO by mistake must not hang the program.
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            result.status = FileRead::Status::Missing;
        } else {
            result.status = FileRead::Status::Unreadable;
            result.problem = describe("cannot read", file, err);
        }
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.status = FileRead::Status::Unreadable;
        result.problem = describe("cannot read", file, errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = FileRead::Status::NotRegular;
        result.problem =
            file.string() + (S_ISDIR(st.st_mode) ? " is a directory" : " is not a regular file");
        return result;
    }
    const auto tooLarge = [&] {
        result.status = FileRead::Status::TooLarge;
        result.bytes.clear();
        result.problem = file.string() + " is larger than " +
                         std::to_string(kMaxProfileBytes / (1024 * 1024)) +
                         " MB and cannot be a profile";
        return result;
    };
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxProfileBytes) return tooLarge();

    result.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        // Read one byte beyond the cap to notice a file that grew meanwhile.
        if (result.bytes.size() < got + 1) {
            if (got > kMaxProfileBytes) return tooLarge();
            result.bytes.resize(std::min(got + 4096, kMaxProfileBytes + 1));
        }
        const ssize_t n = ::read(fd.get(), result.bytes.data() + got, result.bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.status = FileRead::Status::Unreadable;
            result.problem = describe("cannot read", file, errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > kMaxProfileBytes) return tooLarge();
    result.bytes.resize(got);
    result.status = FileRead::Status::Ok;
    return result;
}

std::optional<std::string> detail::replacePlainFile(const std::filesystem::path& file,
                                                    std::string_view content, InjectedFault fault) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path dir =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");

    struct stat old {};
    const bool hadFile = ::stat(file.c_str(), &old) == 0;
    if (hadFile && !S_ISREG(old.st_mode)) {
        return file.string() +
               (S_ISDIR(old.st_mode) ? " is a directory" : " is not a regular file");
    }

    // A hidden name beside the file: same file system, so the rename is atomic.
    std::filesystem::path temp;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = dir / ("." + file.filename().string() + ".tmp" + std::to_string(::getpid()) + "." +
                      std::to_string(counter.fetch_add(1)));
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            return describe("cannot create a file in", dir, errno);
        }
    }
    if (rawFd < 0) return describe("cannot create a file in", dir, EEXIST);
    Fd fd(rawFd);

    const auto fail = [&](const std::string& what, int err) {
        ::close(fd.release());
        ::unlink(temp.c_str());
        return describe(what, file, err);
    };

    if (hadFile) {
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            return fail("cannot set the mode of", errno);
        // Keep the owner where we may (root editing a user's profile); not fatal.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    if (fault == InjectedFault::Write || !writeAll(fd.get(), content)) {
        return fail("cannot write", fault == InjectedFault::Write ? ENOSPC : errno);
    }
    if (fault == InjectedFault::Sync || ::fsync(fd.get()) != 0) {
        return fail("cannot flush", fault == InjectedFault::Sync ? EIO : errno);
    }
    if (::close(fd.release()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return describe("cannot write", file, err);
    }
    if (fault == InjectedFault::Rename || ::rename(temp.c_str(), file.c_str()) != 0) {
        const int err = fault == InjectedFault::Rename ? EACCES : errno;
        ::unlink(temp.c_str());
        return describe("cannot replace", file, err);
    }
    // Make the rename itself durable; a failure here no longer endangers the data.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) ::fsync(dirFd.get());
    return std::nullopt;
}

} // namespace quorvex::profile
