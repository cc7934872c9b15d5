// Holders of a serial port from /proc and sysfs. Plain POSIX calls with
// fixed buffers: this runs inside the driver's open, where a failure means
// "not known", never an error of its own.
#include "driver/ports/port_holders_linux.h"

#include "driver/api/r70com32.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace r70 {
namespace {

// A /proc scan stops after this many entries or this long: a busy machine
// answers "not known" rather than holding the open.
constexpr int kMaxScanEntries = 200000;
constexpr long long kScanBudgetMs = 250;

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::string readFirstLine(const std::string& file) {
    char line[256] = {};
    FILE* f = std::fopen(file.c_str(), "re");
    if (f == nullptr) return {};
    if (std::fgets(line, sizeof line, f) == nullptr) line[0] = '\0';
    std::fclose(f);
    line[std::strcspn(line, "\r\n")] = '\0';
    return line;
}

std::string processName(int pid) {
    std::string name = readFirstLine("/proc/" + std::to_string(pid) + "/comm");
    return name.empty() ? "?" : name;
}

// Calls visit(pid) for every process but this one until it returns true;
// bounded. Returns the pid visit accepted, 0 when none.
template <typename Visit> int scanProcesses(Visit visit) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return 0;
    const int self = static_cast<int>(getpid());
    const long long deadline = nowMs() + kScanBudgetMs;
    int found = 0, seen = 0;
    while (const dirent* e = readdir(proc)) {
        if (++seen > kMaxScanEntries || nowMs() > deadline) break;
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || pid <= 0 || pid == self) continue;
        if (visit(static_cast<int>(pid), deadline)) {
            found = static_cast<int>(pid);
            break;
        }
    }
    closedir(proc);
    return found;
}

Holder holderOf(int pid) {
    Holder h;
    if (pid > 0) {
        h.pid = pid;
        h.name = processName(pid);
    }
    return h;
}

std::string nameOfUser(uid_t uid) {
    passwd pw{};
    passwd* result = nullptr;
    char buf[1024];
    if (getpwuid_r(uid, &pw, buf, sizeof buf, &result) == 0 && result != nullptr)
        return result->pw_name;
    return std::to_string(uid);
}

std::string nameOfGroup(gid_t gid) {
    group g{};
    group* result = nullptr;
    char buf[1024];
    if (getgrgid_r(gid, &g, buf, sizeof buf, &result) == 0 && result != nullptr)
        return result->gr_name;
    return std::to_string(gid);
}

int readPid(const std::string& file) {
    char text[32] = {};
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return 0;
    // The usual form is ASCII ("%10d\n"); some old programs wrote a binary int.
    if (n == 4 && (text[0] < ' ' || text[3] < ' ')) {
        int32_t binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        return binary;
    }
    return std::atoi(text);
}

bool alive(int pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

} // namespace

bool isConsole(const std::string& sysRoot, dev_t device) {
    if (major(device) == 5 && minor(device) == 1) return true; // /dev/console
    const std::string active = readFirstLine(sysRoot + "/class/tty/console/active");
    std::size_t at = 0;
    while (at < active.size()) {
        const std::size_t end = active.find(' ', at);
        const std::string name = active.substr(at, end - at);
        at = end == std::string::npos ? active.size() : end + 1;
        if (name.empty()) continue;
        unsigned maj = 0, min = 0;
        const std::string dev = readFirstLine(sysRoot + "/class/tty/" + name + "/dev");
        if (std::sscanf(dev.c_str(), "%u:%u", &maj, &min) == 2 && maj == major(device) &&
            min == minor(device))
            return true;
    }
    return false;
}

std::vector<LoginLine> loginLines() {
    std::vector<LoginLine> lines;
    scanProcesses([&lines](int pid, long long) {
        char stat[512] = {};
        const std::string file = "/proc/" + std::to_string(pid) + "/stat";
        FILE* f = std::fopen(file.c_str(), "re");
        if (f == nullptr) return false;
        const bool read = std::fgets(stat, sizeof stat, f) != nullptr;
        std::fclose(f);
        // "pid (comm) state ppid pgrp session tty_nr ...": comm may hold
        // anything, so the fields are counted from its last ')'.
        const char* close = read ? std::strrchr(stat, ')') : nullptr;
        if (close == nullptr) return false;
        char state = 0;
        int ppid = 0, pgrp = 0, session = 0;
        unsigned long tty = 0;
        if (std::sscanf(close + 1, " %c %d %d %d %lu", &state, &ppid, &pgrp, &session, &tty) != 5 ||
            tty == 0)
            return false;
        // The kernel's encoding of the terminal's number.
        const unsigned maj = static_cast<unsigned>((tty >> 8) & 0xfff);
        const unsigned min = static_cast<unsigned>((tty & 0xff) | ((tty >> 12) & 0xfff00));
        const char* open = std::strchr(stat, '(');
        Holder holder{pid, open != nullptr && open < close ? std::string(open + 1, close) : "?"};
        lines.push_back({makedev(maj, min), std::move(holder)});
        return false; // every process
    });
    return lines;
}

Holder loginHolder(dev_t device) {
    for (const LoginLine& line : loginLines())
        if (line.device == device) return line.holder;
    return {};
}

Holder openHolder(dev_t device) {
    // A pseudo-terminal's index, when the device is one's terminal side
    // (/dev/pts/N: majors 136-143): the process holding its master is the
    // device end (a simulator, a serial server), not another user of the line.
    const unsigned ptsMajor = major(device);
    const long ptsIndex = ptsMajor >= 136 && ptsMajor <= 143
                              ? static_cast<long>((ptsMajor - 136) * 256 + minor(device))
                              : -1;
    return holderOf(scanProcesses([device, ptsIndex](int pid, long long deadline) {
        const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
        DIR* fds = opendir(dir.c_str()); // other users' processes: not readable
        if (fds == nullptr) return false;
        bool holds = false, deviceEnd = false;
        while (const dirent* e = readdir(fds)) {
            if (e->d_name[0] == '.') continue;
            if (nowMs() > deadline) break;
            const std::string fd = dir + "/" + e->d_name;
            struct stat st {};
            if (stat(fd.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
            if (st.st_rdev == device) holds = true;
            if (ptsIndex >= 0 && major(st.st_rdev) == 5 && minor(st.st_rdev) == 2) {
                const std::string info = "/proc/" + std::to_string(pid) + "/fdinfo/" + e->d_name;
                FILE* f = std::fopen(info.c_str(), "re");
                char line[128];
                while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) {
                    long index = -1;
                    if (std::sscanf(line, "tty-index: %ld", &index) == 1 && index == ptsIndex)
                        deviceEnd = true;
                }
                if (f != nullptr) std::fclose(f);
            }
        }
        closedir(fds);
        return holds && !deviceEnd;
    }));
}

Holder flockHolder(dev_t fileSystem, ino_t inode) {
    FILE* f = std::fopen("/proc/locks", "re");
    if (f == nullptr) return {};
    char line[256];
    int pid = 0;
    while (pid == 0 && std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strstr(line, "->") != nullptr) continue; // a waiter, not the holder
        char kind[16] = {};
        int holder = 0;
        unsigned maj = 0, min = 0;
        unsigned long ino = 0;
        if (std::sscanf(line, "%*d: %15s %*s %*s %d %x:%x:%lu", kind, &holder, &maj, &min, &ino) !=
            5)
            continue;
        if (ino == inode && maj == major(fileSystem) && min == minor(fileSystem) &&
            holder != static_cast<int>(getpid()))
            pid = holder;
    }
    std::fclose(f);
    return holderOf(pid);
}

std::string ttyNameOf(const std::string& path) {
    char resolved[PATH_MAX];
    std::string real = realpath(path.c_str(), resolved) != nullptr ? resolved : path;
    if (real.rfind("/dev/", 0) == 0) {
        real.erase(0, 5);
    } else if (const std::size_t slash = real.rfind('/'); slash != std::string::npos) {
        real.erase(0, slash + 1);
    }
    for (char& c : real)
        if (c == '/') c = '_';
    return real;
}

std::string lockFilePath(const std::string& lockDir, const std::string& ttyName) {
    return lockDir + "/LCK.." + ttyName;
}

Holder lockFileHolder(const std::string& lockFile) {
    const int pid = readPid(lockFile);
    if (pid == static_cast<int>(getpid()) || !alive(pid)) return {};
    return holderOf(pid);
}

bool writeLockFile(const std::string& lockFile) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            char text[16];
            const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
            const bool ok = ::write(fd, text, static_cast<std::size_t>(n)) == n;
            ::close(fd);
            return ok;
        }
        if (errno != EEXIST) return false;
        const int pid = readPid(lockFile);
        if (pid == static_cast<int>(getpid())) return true; // ours already
        if (alive(pid)) return false;
        ::unlink(lockFile.c_str()); // a stale lock: its process is gone
    }
    return false;
}

void removeLockFile(const std::string& lockFile) {
    if (!lockFile.empty() && readPid(lockFile) == static_cast<int>(getpid()))
        ::unlink(lockFile.c_str());
}

Denial explainDenial(unsigned mode, const std::string& owner, const std::string& group) {
    Denial d{DRV_WHY_OWNER, owner, group, mode & 07777};
    const bool groupMayUse = (mode & 060) == 060;
    if (group == "tty")
        d.why = DRV_WHY_TERMINAL; // a login or the console: joining tty is no fix
    else if (groupMayUse && group != "root")
        d.why = DRV_WHY_GROUP;
    return d;
}

Denial explainDenial(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return explainDenial(0, "?", "?");
    return explainDenial(st.st_mode, nameOfUser(st.st_uid), nameOfGroup(st.st_gid));
}

} // namespace r70
