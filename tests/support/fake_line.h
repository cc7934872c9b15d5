#pragma once
// A serial line of a fake machine (fake_machine.h) that is a pseudo-terminal
// with nothing answering at its far end: a built-in port without a device, a
// console, a twin adapter. The test sees what reached the far end and the
// line's settings, and can give the line to another program the way real
// machines do: a terminal program holding it in cooked mode without locks, a
// getty whose controlling terminal it is, a program that drives it through
// another line discipline, one that holds it exclusively (TIOCEXCL) or with a
// UUCP lock file. Those other programs are child processes, as they would be.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

class FakeLine {
public:
    FakeLine() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        char name[64];
        if (::ptsname_r(master_, name, sizeof name) == 0) path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        // The far end keeps the line alive between the program's opens.
        keep_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~FakeLine() {
        release();
        if (keep_ >= 0) ::close(keep_);
        if (master_ >= 0) ::close(master_);
    }
    FakeLine(const FakeLine&) = delete;
    FakeLine& operator=(const FakeLine&) = delete;

    const std::string& path() const { return path_; }

    // Everything the program wrote to the line since the last call.
    std::string received() {
        std::string out;
        char buf[512];
        for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<std::size_t>(n));
        return out;
    }
    termios settings() const {
        termios t{};
        ::tcgetattr(keep_, &t);
        return t;
    }

    // A terminal program (no locks) in this process: the line in cooked mode
    // at 9600 baud, as such a program leaves it.
    void holdCooked() {
        termios t = settings();
        t.c_lflag |= ICANON | ECHO | ISIG;
        t.c_oflag |= OPOST;
        t.c_iflag |= ICRNL;
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(keep_, TCSANOW, &t);
    }

    // A terminal program in a process of its own: the line open, in cooked
    // mode, without any lock.
    bool holdOpen() {
        return spawn([](int) { return true; }, false);
    }
    // A getty: a process of its own session whose controlling terminal the
    // line is, in cooked mode.
    bool runGetty() {
        return spawn([](int fd) { return ::ioctl(fd, TIOCSCTTY, 0) == 0; }, true);
    }
    // A program that holds the line exclusively (TIOCEXCL), as a modem manager does.
    bool holdExclusive() {
        return spawn([](int fd) { return ::ioctl(fd, TIOCEXCL) == 0; }, false);
    }
    // A program that drives the line through another line discipline (a
    // Bluetooth UART); false where the kernel has none to offer but the normal one.
    bool setDiscipline(int discipline) { return ::ioctl(keep_, TIOCSETD, &discipline) == 0; }
    // A program that announced the line in a UUCP lock file (its own pid, as
    // serial programs write it) and holds it open.
    bool holdWithLockFile(const std::string& lockFile) {
        lockFile_ = lockFile;
        const std::string name = lockFile;
        return spawn(
            [&name](int) {
                const int lock = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (lock < 0) return false;
                char text[16];
                const int n =
                    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
                const bool ok = ::write(lock, text, static_cast<std::size_t>(n)) == n;
                ::close(lock);
                return ok;
            },
            false);
    }
    int holderPid() const { return child_; }

    // The other program ends (its lock file stays behind, as after a crash).
    void release() {
        if (child_ <= 0) return;
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
        child_ = -1;
    }

private:
    // Starts the other program: it opens the line (as its session's leader
    // when ownSession), runs setUp on it and waits until killed. True once
    // setUp succeeded in the child.
    template <typename SetUp> bool spawn(SetUp setUp, bool ownSession) {
        release();
        int ready[2];
        if (::pipe(ready) != 0) return false;
        const std::string path = path_;
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The other program has only its own line open, not the test's.
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != ready[1]) ::close(fd);
            if (ownSession) ::setsid();
            const int fd = ::open(path.c_str(), O_RDWR | (ownSession ? 0 : O_NOCTTY));
            char ok = fd >= 0 && setUp(fd) ? 1 : 0;
            if (ok != 0) {
                termios t{};
                ::tcgetattr(fd, &t);
                t.c_lflag |= ICANON | ECHO;
                ::tcsetattr(fd, TCSANOW, &t);
            }
            (void)::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        const bool started = pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        if (pid > 0) child_ = pid;
        return started;
    }

    int master_ = -1;
    int keep_ = -1;
    std::string path_;
    pid_t child_ = -1;
    std::string lockFile_;
};
