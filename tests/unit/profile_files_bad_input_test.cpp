// Profiles and firmware files that are not what they should be: empty,
// binary, huge, one endless line, duplicate sections, unreadable, a folder,
// a full disk (also a real, full tmpfs). Each gets a clear message, and no write ever leaves the
// default profile truncated or replaced by a part of a file.
#include "maintenance/firmware_file.h"
#include "profile/atomic_file.h"
#include "profile/ini_file.h"
#include "profile/profile_files.h"
#include "unit/profile_temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorvex::profile {
namespace {

namespace fs = std::filesystem;
using quorvex::testing::TempDir;
using quorvex::testing::writeBytes;

constexpr std::string_view kProfile = "[SET_DIV]\r\nLANGUAGE=1\r\nSOUNDON=0\r\n"
                                      "[MSN_DIV]\r\nAMSN00=0301234\r\nAMSN01=0301235\r\n";

std::string bytesOf(const fs::path& file) {
    return quorvex::testing::readBytes(file).value_or("<missing>");
}

// Runs check in a child process (which may drop its rights or limit its file
// size) and returns what it reports: empty when every expectation held.
std::string inChild(const std::function<std::string()>& check) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        const std::string report = check();
        (void)!::write(fds[1], report.data(), report.size());
        ::_exit(report.empty() ? 0 : 1);
    }
    ::close(fds[1]);
    std::string report;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        report.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return "the child died: " + report;
    if (WEXITSTATUS(status) != 0 && report.empty()) return "the child failed";
    return report;
}

// A file the program can neither read nor replace, whoever runs the test:
// root bypasses permissions, so it gives up its rights in a child first.
std::string asUnprivileged(const std::function<std::string()>& check) {
    return inChild([&]() -> std::string {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return "cannot drop to uid 65534";
        return check();
    });
}

struct BadProfile {
    const char* name;
    // Makes the file; returns false when the file system cannot hold it.
    std::function<bool(const fs::path&)> make;
    bool readable; // its keys can be read (possibly none)
};

const BadProfile kBadProfiles[] = {
    {"empty",
     [](const fs::path& f) {
         writeBytes(f, "");
         return true;
     },
     true},
    {"binary",
     [](const fs::path& f) {
         std::string bytes;
         for (int i = 0; i < 4096; ++i)
             bytes.push_back(static_cast<char>((i * 7919) & 0xFF));
         writeBytes(f, bytes);
         return true;
     },
     true},
    {"huge_sparse",
     [](const fs::path& f) {
         writeBytes(f, std::string(kProfile));
         return ::truncate(f.c_str(), 100LL * 1024 * 1024) == 0;
     },
     false},
    {"megabyte_line",
     [](const fs::path& f) {
         writeBytes(f, "[SET_DIV]\nJUNK=" + std::string(1 << 20, 'x') + "\nLANGUAGE=1\n");
         return true;
     },
     true},
    {"duplicate_sections",
     [](const fs::path& f) {
         writeBytes(f, "[SET_DIV]\nLANGUAGE=1\n[set_div]\nLANGUAGE=0\nSOUNDON=1\n");
         return true;
     },
     true},
};

class BadProfiles : public ::testing::TestWithParam<BadProfile> {};

TEST_P(BadProfiles, ReadGivesDefaultsOrValuesAndAWriteKeepsEveryByte) {
    TempDir dir;
    const fs::path file = dir / "default.pro";
    if (!GetParam().make(file)) GTEST_SKIP() << "the file system cannot hold a sparse 100 MB file";
    const auto sizeBefore = fs::file_size(file);
    const std::string before = sizeBefore <= kMaxProfileBytes ? bytesOf(file) : "";

    const IniSnapshot snap = IniSnapshot::load(file);
    EXPECT_TRUE(snap.exists());
    EXPECT_EQ(snap.problem().empty(), GetParam().readable) << snap.problem();
    const std::string language = snap.readString("SET_DIV", "LANGUAGE", "def");
    EXPECT_LE(language.size(), kReadBufferSize - 1);
    if (!GetParam().readable) {
        EXPECT_EQ(language, "def");
    }

    const WriteResult w = writeString(file, "SET_DIV", "SOUNDON", "1");
    EXPECT_EQ(w.ok, GetParam().readable) << w.error;
    if (!w.ok) {
        EXPECT_NE(w.error.find(file.string()), std::string::npos) << "names the file: " << w.error;
        EXPECT_EQ(fs::file_size(file), sizeBefore) << "a refused write changes nothing";
    } else {
        // Every line of the old file is still there, byte for byte.
        const std::string after = bytesOf(file);
        std::size_t pos = 0, at = 0;
        while (pos < before.size()) {
            const std::size_t eol = before.find_first_of("\r\n", pos);
            const std::string line = before.substr(pos, eol == std::string::npos ? eol : eol - pos);
            if (line.find("SOUNDON") == std::string::npos) {
                at = after.find(line, at);
                ASSERT_NE(at, std::string::npos) << "lost: " << line.substr(0, 60);
            }
            if (eol == std::string::npos) break;
            pos = eol + 1;
        }
        EXPECT_EQ(IniSnapshot::load(file).readString("SET_DIV", "SOUNDON", ""), "1");
    }
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename(), "default.pro") << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Files, BadProfiles, ::testing::ValuesIn(kBadProfiles),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BadProfileFiles, DuplicateSectionsReadAndWriteTheFirstOnly) {
    TempDir dir;
    const fs::path file = dir / "p.pro";
    writeBytes(file, "[SET_DIV]\nLANGUAGE=1\n[set_div]\nLANGUAGE=0\n");
    EXPECT_EQ(readString(file, "SET_DIV", "LANGUAGE", ""), "1");
    ASSERT_TRUE(writeString(file, "SET_DIV", "LANGUAGE", "0").ok);
    EXPECT_EQ(bytesOf(file), "[SET_DIV]\nLANGUAGE=0\n[set_div]\nLANGUAGE=0\n");
}

TEST(BadProfileFiles, AFolderInsteadOfAFileIsRefusedWithAReason) {
    TempDir dir;
    const fs::path file = dir / "default.pro";
    fs::create_directory(file);
    const IniSnapshot snap = IniSnapshot::load(file);
    EXPECT_FALSE(snap.problem().empty());
    EXPECT_EQ(snap.readString("SET_DIV", "LANGUAGE", "d"), "d");
    const WriteResult w = writeString(file, "SET_DIV", "LANGUAGE", "1");
    EXPECT_FALSE(w.ok);
    EXPECT_FALSE(w.error.empty());
    EXPECT_TRUE(fs::is_directory(file));
}

TEST(BadProfileFiles, AnUnreadableProfileIsReportedAndLeftAlone) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const fs::path file = dir / "default.pro";
    writeBytes(file, std::string(kProfile));
    ::chmod(file.c_str(), 0000);
    const std::string report = asUnprivileged([&]() -> std::string {
        const IniSnapshot snap = IniSnapshot::load(file);
        if (snap.problem().empty()) return "no problem reported for an unreadable file";
        if (snap.readString("MSN_DIV", "AMSN00", "d") != "d") return "read a value nonetheless";
        const WriteResult w = writeString(file, "MSN_DIV", "AMSN00", "999");
        if (w.ok) return "wrote into a file it cannot read";
        if (w.error.empty()) return "a failed write without a reason";
        return "";
    });
    EXPECT_EQ(report, "");
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(bytesOf(file), kProfile);
}

TEST(BadProfileFiles, AReadOnlyFolderKeepsTheProfileWhole) {
    TempDir dir;
    const fs::path file = dir / "default.pro";
    writeBytes(file, std::string(kProfile));
    ::chmod(dir.path().c_str(), 0555);
    const std::string report = asUnprivileged([&]() -> std::string {
        const WriteResult w = writeString(file, "MSN_DIV", "AMSN00", "999");
        if (w.ok) return "wrote into a read-only folder";
        if (w.error.empty()) return "a failed write without a reason";
        return "";
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(report, "");
    EXPECT_EQ(bytesOf(file), kProfile);
}

// A full disk: the file size limit stops the new file part way, as a full
// file system would. The old profile must stay exactly as it was.
TEST(BadProfileFiles, AFullDiskLeavesTheDefaultProfileUntouched) {
    TempDir dir;
    const fs::path file = dir / "default.pro";
    const std::string big = std::string(kProfile) + "[LCR_DIV]\r\n" + [] {
        std::string keys;
        for (int i = 0; i < 200; ++i)
            keys += "PROV" + std::to_string(i) + "=provider\r\n";
        return keys;
    }();
    writeBytes(file, big);
    const std::string report = inChild([&]() -> std::string {
        ::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing us
        struct rlimit limit = {1024, 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return "setrlimit failed";
        const WriteResult w = writeString(file, "MSN_DIV", "AMSN00", "0309999");
        if (w.ok) return "the write reported success on a full disk";
        if (w.error.empty()) return "a failed write without a reason";
        return "";
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(bytesOf(file), big) << "the default profile was changed";
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename(), "default.pro") << "a temporary file was left behind";
}

// The same on a real full file system: a small tmpfs, filled up. Needs the
// right to mount (root); skipped without it.
TEST(BadProfileFiles, AFullFileSystemLeavesTheDefaultProfileUntouched) {
    TempDir dir;
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    if (::geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=16k quorvex-test " + disk.string() + " 2>/dev/null")
                        .c_str()) != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    struct Unmount {
        fs::path at;
        ~Unmount() { (void)std::system(("umount " + at.string()).c_str()); }
    } unmount{disk};

    const fs::path file = disk / "default.pro";
    writeBytes(file, std::string(kProfile));
    // Fill what is left, a block at a time, until the file system refuses.
    {
        const int fd = ::open((disk / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(512, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    }
    const WriteResult w = writeString(file, "MSN_DIV", "AMSN00", "0309999");
    EXPECT_FALSE(w.ok) << "the write reported success on a full disk";
    EXPECT_FALSE(w.error.empty());
    EXPECT_EQ(bytesOf(file), kProfile) << "the default profile was changed";
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(disk))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"default.pro", "filler"}))
        << "a temporary file was left behind";
}

} // namespace
} // namespace quorvex::profile

namespace quorvex::maintenance {
namespace {

namespace fs = std::filesystem;
using quorvex::testing::TempDir;
using quorvex::testing::writeBytes;

struct BadFirmware {
    const char* name;
    std::function<void(const fs::path&)> make;
    FirmwareCheck expected;
};

const BadFirmware kBadFirmware[] = {
    {"empty", [](const fs::path& f) { writeBytes(f, ""); }, FirmwareCheck::WrongSize},
    {"short", [](const fs::path& f) { writeBytes(f, std::string(kFirmwareSize - 1, '\xff')); },
     FirmwareCheck::WrongSize},
    {"long", [](const fs::path& f) { writeBytes(f, std::string(kFirmwareSize + 1, '\xff')); },
     FirmwareCheck::WrongSize},
    {"huge_sparse",
     [](const fs::path& f) {
         writeBytes(f, "");
         (void)!::truncate(f.c_str(), 100LL * 1024 * 1024);
     },
     FirmwareCheck::WrongSize},
    {"foreign_model", [](const fs::path& f) { writeBytes(f, std::string(kFirmwareSize, 'A')); },
     FirmwareCheck::WrongModel},
    {"folder", [](const fs::path& f) { fs::create_directory(f); }, FirmwareCheck::Unreadable},
    {"missing", [](const fs::path&) {}, FirmwareCheck::Unreadable},
};

class BadFirmwareFiles : public ::testing::TestWithParam<BadFirmware> {};

TEST_P(BadFirmwareFiles, AreRefusedBeforeAnyByteIsSent) {
    TempDir dir;
    const fs::path file = dir / "image.r70";
    GetParam().make(file);
    const FirmwareFile loaded = loadFirmwareFile(file.string());
    EXPECT_EQ(loaded.check, GetParam().expected);
    EXPECT_TRUE(loaded.bytes.empty() || loaded.check == FirmwareCheck::WrongModel)
        << "only a whole image is kept";
    EXPECT_LE(loaded.bytes.size(), kFirmwareSize);
}

INSTANTIATE_TEST_SUITE_P(Files, BadFirmwareFiles, ::testing::ValuesIn(kBadFirmware),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BadFirmwareFiles, AnUnreadableImageIsUnreadable) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const fs::path file = dir / "image.r70";
    std::string image(kFirmwareSize, '\0');
    image.replace(kFirmwareModelField.offset, 8, "QKM-633S");
    writeBytes(file, image);
    ::chmod(file.c_str(), 0000);
    const std::string report = [&] {
        int fds[2];
        if (::pipe(fds) != 0) return std::string("pipe");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
            ::_exit(loadFirmwareFile(file.string()).check == FirmwareCheck::Unreadable ? 0 : 1);
        }
        ::close(fds[0]);
        ::close(fds[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0
                   ? std::string()
                   : "exit " + std::to_string(WEXITSTATUS(status));
    }();
    EXPECT_EQ(report, "");
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(loadFirmwareFile(file.string()).check, FirmwareCheck::Ok);
}

} // namespace
} // namespace quorvex::maintenance
