// Who else has a serial port: what a refused open says about the node, and
// the UUCP lock files serial programs leave.
#include "driver/api/r70com32.h"
#include "driver/ports/port_holders_linux.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Joining a group helps only when it may read and write the node and is
// neither root nor tty.
TEST(PortHolders, ADenialNamesAGroupOnlyWhenJoiningItHelps) {
    struct Case {
        unsigned mode;
        const char* group;
        int why;
    } cases[] = {
        {0660, "dialout", DRV_WHY_GROUP}, {0660, "uucp", DRV_WHY_GROUP},
        {0600, "root", DRV_WHY_OWNER},    {0660, "root", DRV_WHY_OWNER},
        {0640, "dialout", DRV_WHY_OWNER}, {0620, "tty", DRV_WHY_TERMINAL},
        {0660, "tty", DRV_WHY_TERMINAL},  {020660, "dialout", DRV_WHY_GROUP},
    };
    for (const Case& c : cases) {
        const r70::Denial d = r70::explainDenial(c.mode, "root", c.group);
        EXPECT_EQ(d.why, c.why) << std::oct << c.mode << " " << c.group;
        EXPECT_EQ(d.mode, c.mode & 07777);
    }
}

TEST(PortHolders, LockFilesOfLiveProcessesHoldThePortStaleOnesDoNot) {
    const fs::path dir = fs::temp_directory_path() / ("r70lock_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string lock = r70::lockFilePath(dir.string(), "ttyUSB0");
    EXPECT_EQ(lock, (dir / "LCK..ttyUSB0").string());

    // Another program, alive, wrote its pid the usual way.
    const pid_t other = fork();
    if (other == 0) {
        for (;;)
            pause();
    }
    std::ofstream(lock) << "      " << other << "\n";
    EXPECT_EQ(r70::lockFileHolder(lock).pid, other);
    EXPECT_FALSE(r70::writeLockFile(lock)) << "another's lock is never taken";
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    EXPECT_EQ(r70::lockFileHolder(lock).pid, 0) << "its process is gone: stale";

    // A stale lock is replaced by ours, which no longer counts as another's
    // and goes with us.
    ASSERT_TRUE(r70::writeLockFile(lock));
    std::ifstream in(lock);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, std::string(10 - std::to_string(getpid()).size(), ' ') +
                        std::to_string(getpid()) + "\n");
    EXPECT_EQ(r70::lockFileHolder(lock).pid, 0);
    r70::removeLockFile(lock);
    EXPECT_FALSE(fs::exists(lock));
    fs::remove_all(dir);

    EXPECT_EQ(r70::ttyNameOf("/dev/ttyUSB7"), "ttyUSB7");
    EXPECT_EQ(r70::ttyNameOf("/dev/pts/ptmx"), "pts_ptmx");
}

// Who holds a pseudo-terminal's line: a process with its terminal side open,
// but not the one that also holds its master (the device end: a simulator).
TEST(PortHolders, TheDeviceEndOfAPseudoTerminalHoldsNothing) {
    for (const bool withMaster : {false, true}) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
        const std::string path = ptsname(master);
        const pid_t child = fork();
        if (child == 0) {
            const int line = open(path.c_str(), O_RDWR | O_NOCTTY);
            if (!withMaster) close(master);
            (void)!write(ready[1], line >= 0 ? "1" : "0", 1);
            for (;;)
                pause();
        }
        char ok = 0;
        const bool started = read(ready[0], &ok, 1) == 1 && ok == '1';
        struct stat st {};
        const bool found = stat(path.c_str(), &st) == 0;
        const int holder = found ? r70::openHolder(st.st_rdev).pid : -1;
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (int fd : {ready[0], ready[1], master})
            close(fd);
        ASSERT_TRUE(started && found);
        EXPECT_EQ(holder, withMaster ? 0 : child) << withMaster;
    }
}

} // namespace
