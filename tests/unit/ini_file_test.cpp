// The initialisation-file layer beyond the recorded vectors: atomic
// replacement and its failures, refused writes, size caps, code page 1252.

#include "profile/atomic_file.h"
#include "profile/ini_file.h"
#include "profile/text_encoding.h"
#include "profile_temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using quorvex::testing::readBytes;
using quorvex::testing::TempDir;
using quorvex::testing::writeBytes;
namespace profile = quorvex::profile;

const std::string kProfile =
    "[SET_DIV]\r\nLANGUAGE=1\r\nCHGUNIT=0,12\r\n\r\n[MSN_DIV]\r\nALIAS0=Fax\r\n";

std::vector<std::string> entriesOf(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ProfileAtomicWrite, InjectedFaultsLeaveTheOldFileAndNoTemporaryFile) {
    for (const auto fault : {profile::InjectedFault::Write, profile::InjectedFault::Sync,
                             profile::InjectedFault::Rename}) {
        SCOPED_TRACE(static_cast<int>(fault));
        TempDir dir;
        const auto file = dir / "user.pro";
        writeBytes(file, kProfile);
        const auto failed = profile::replaceFileAtomically(file, "[X]\r\n", fault);
        ASSERT_TRUE(failed.has_value());
        EXPECT_NE(failed->find("user.pro"), std::string::npos) << *failed;
        EXPECT_EQ(readBytes(file), kProfile);
        EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"user.pro"});
    }
}

TEST(ProfileAtomicWrite, FullDiskLeavesTheOldFile) {
    // A file size limit makes write() fail for real (EFBIG), as a full disk would.
    TempDir dir;
    const auto file = dir / "user.pro";
    writeBytes(file, kProfile);
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = kProfile.size() + 8;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto result = profile::writeString(file, "MSN_DIV", "ALIAS1", std::string(40, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("cannot write"), std::string::npos) << result.error;
    EXPECT_EQ(readBytes(file), kProfile);
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"user.pro"});
}

TEST(ProfileAtomicWrite, PathThatIsADirectoryFails) {
    TempDir dir;
    std::filesystem::create_directory(dir / "default.pro");
    const auto result = profile::writeString(dir / "default.pro", "SET_DIV", "LANGUAGE", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("is a directory"), std::string::npos) << result.error;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "default.pro"));
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"default.pro"});
    EXPECT_EQ(profile::readString(dir / "default.pro", "SET_DIV", "LANGUAGE", "d"), "d");
}

TEST(ProfileAtomicWrite, MissingFolderFails) {
    TempDir dir;
    const auto result = profile::writeString(dir / "no" / "x.pro", "S", "k", "v");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}

TEST(ProfileAtomicWrite, ReadOnlyFolderAndUnreadableFileFail) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores permission bits";
    TempDir dir;
    const auto file = dir / "user.pro";
    writeBytes(file, kProfile);
    ::chmod(dir.path().c_str(), 0500);
    auto result = profile::writeString(file, "SET_DIV", "LANGUAGE", "0");
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readBytes(file), kProfile);
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"user.pro"});

    ::chmod(file.c_str(), 0200);
    result = profile::writeString(file, "SET_DIV", "LANGUAGE", "0");
    ::chmod(file.c_str(), 0600);
    EXPECT_FALSE(result.ok) << "an unreadable profile must not be replaced by one key";
    EXPECT_EQ(readBytes(file), kProfile);
}

TEST(ProfileAtomicWrite, KeepsModeAndLinksAndLeavesNothingBehind) {
    TempDir dir;
    const auto file = dir / "user.pro";
    writeBytes(file, kProfile);
    ::chmod(file.c_str(), 0640);
    std::filesystem::create_symlink("user.pro", dir / "link.pro");

    ASSERT_TRUE(profile::writeString(dir / "link.pro", "SET_DIV", "LANGUAGE", "0").ok);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.pro"));
    EXPECT_EQ(readBytes(file),
              "[SET_DIV]\r\nLANGUAGE=0\r\nCHGUNIT=0,12\r\n\r\n[MSN_DIV]\r\nALIAS0=Fax\r\n");
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"link.pro", "user.pro"}));
}

// What cannot hold a profile is named before any work, behind links too.
TEST(ProfileAtomicWrite, WhatCannotHoldAFileIsRefusedBeforehand) {
    TempDir dir;
    writeBytes(dir / "user.pro", kProfile);
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", dir / "null.pro");
    std::filesystem::create_symlink("folder", dir / "to-folder.pro");
    std::filesystem::create_symlink("loop-b", dir / "loop-a");
    std::filesystem::create_symlink("loop-a", dir / "loop-b");
    std::filesystem::create_symlink("user.pro", dir / "link.pro");
    std::filesystem::create_symlink("nowhere/x.pro", dir / "dangling.pro");
    struct Case {
        const char* name;
        const char* says; // nullptr: nothing stands in the way
    };
    const Case cases[] = {
        {"user.pro", nullptr},
        {"new.pro", nullptr},
        {"link.pro", nullptr},
        {"folder", "is a directory"},
        {"to-folder.pro", "is a directory"},
        {"fifo", "is a FIFO"},
        {"null.pro", "is a device"},
        {"loop-a", "symbolic link"},
        {"dangling.pro", "cannot create a file in"},
        {"none/x.pro", "cannot create a file in"},
    };
    for (const Case& c : cases) {
        const auto refused = profile::replacementRefusal(dir / c.name);
        if (c.says == nullptr) {
            EXPECT_FALSE(refused.has_value()) << c.name << ": " << refused.value_or("");
            continue;
        }
        ASSERT_TRUE(refused.has_value()) << c.name;
        EXPECT_NE(refused->find(c.says), std::string::npos) << c.name << ": " << *refused;
        // And the write itself refuses the same, leaving the thing as it was.
        if (std::string(c.name) != "none/x.pro" && std::string(c.name) != "dangling.pro") {
            EXPECT_TRUE(profile::replaceFileAtomically(dir / c.name, "[X]\r\n").has_value())
                << c.name;
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "null.pro"));
}

TEST(ProfileAtomicWrite, AChainOfLinksIsFollowedAndTheOwnerKept) {
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    const auto file = dir / "real" / "user.pro";
    writeBytes(file, kProfile);
    ::chmod(file.c_str(), 0600);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
    std::filesystem::create_symlink("real/user.pro", dir / "one.pro");
    std::filesystem::create_symlink(dir / "one.pro", dir / "two.pro"); // absolute
    ASSERT_FALSE(profile::replaceFileAtomically(dir / "two.pro", "[X]\r\n").has_value());
    EXPECT_EQ(readBytes(file), "[X]\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "one.pro"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "two.pro"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
    }
    EXPECT_EQ(entriesOf(dir / "real"), std::vector<std::string>{"user.pro"});
}

TEST(ProfileAtomicWrite, OversizedFileIsNeitherReadNorReplaced) {
    TempDir dir;
    const auto file = dir / "huge.pro";
    {
        // 100 MB, sparse: only the header and a key are real bytes.
        writeBytes(file, "[S]\r\nk=v\r\n");
        std::filesystem::resize_file(file, 100u * 1024 * 1024);
    }
    EXPECT_EQ(profile::readString(file, "S", "k", "dflt"), "dflt");
    EXPECT_EQ(profile::readInt(file, "S", "k", 7), 7);
    const auto snapshot = profile::IniSnapshot::load(file);
    EXPECT_TRUE(snapshot.exists());
    EXPECT_NE(snapshot.problem().find("larger than"), std::string::npos);
    const auto result = profile::writeString(file, "S", "k", "w");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(std::filesystem::file_size(file), 100u * 1024 * 1024);
}

TEST(ProfileRead, MegabyteLineIsCutNotCrashed) {
    TempDir dir;
    const auto file = dir / "long.pro";
    const std::string longValue(1024 * 1024, 'x');
    writeBytes(file, "[S]\r\nlong=" + longValue + "\r\nk=v\r\n");
    EXPECT_EQ(profile::readString(file, "S", "long", ""), std::string(49, 'x'));
    EXPECT_EQ(profile::readString(file, "S", "k", ""), "v");
    EXPECT_EQ(profile::readInt(file, "S", "long", 3), 3);
}

// A quoted value at the read limit, as the Windows function returns it: one
// that fills the buffer exactly inside its quotes loses its last character.
TEST(ProfileRead, QuotedValueAtTheReadLimit) {
    const auto x = [](std::size_t n) { return std::string(n, 'x'); };
    const auto q = [](const std::string& s, char quote = '"') { return quote + s + quote; };
    struct Case {
        std::string value; // as the file holds it (the default when asDefault)
        std::size_t buffer;
        std::string expected;
        bool asDefault = false;
    };
    const Case cases[] = {
        {q(x(48)), 50, x(48)},
        {q(x(49)), 50, x(48)},
        {q(x(50)), 50, x(49)}, // the closing quote lies beyond the buffer
        {q(x(51)), 50, x(49)},
        {q(x(49), '\''), 50, x(48)},
        {q(x(49)), 50, x(48), true},
        {q(x(10)), 11, x(9)},
        {q(x(1)), 2, ""},
        {q(""), 1, ""},
        {x(49), 50, x(49)},
        {'"' + x(49) + '\'', 50, '"' + x(48)}, // quotes that do not match stay
        // A character of several bytes goes whole; code page 1252 counts bytes.
        {q(x(47) + "\xC3\xBC"), 50, x(47)},
        {q(x(47) + "\xFC\xFC"), 50, x(47) + "\xC3\xBC"},
    };
    for (const Case& c : cases) {
        const auto file = profile::IniSnapshot::fromText(
            c.asDefault ? "[S]\r\n" : "[S]\r\nk=" + c.value + "\r\n");
        EXPECT_EQ(file.readString("S", "k", c.asDefault ? c.value : "", c.buffer), c.expected)
            << c.value << " into " << c.buffer << " bytes";
    }
}

TEST(ProfileRead, FifoDoesNotHang) {
    TempDir dir;
    const auto fifo = dir / "fifo.pro";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(profile::readString(fifo, "S", "k", "dflt"), "dflt");
    EXPECT_FALSE(profile::writeString(fifo, "S", "k", "v").ok);
}

struct UnsafeWrite {
    const char* what;
    std::string section;
    std::string key;
    std::string value;
};

TEST(ProfileWrite, UnsafeWritesAreRefusedAndChangeNothing) {
    const UnsafeWrite cases[] = {
        {"CR LF in value", "S", "k", "x\r\nevil=1"},
        {"LF in value", "S", "k", "x\nevil=1"},
        {"CR in value", "S", "k", "x\r[T]"},
        {"NUL in value", "S", "k", std::string("a\0b", 3)},
        {"= in key", "S", "a=b", "v"},
        {"LF in key", "S", "a\nb", "v"},
        {"key starts with [", "S", "[T]", "v"},
        {"empty key", "S", "  ", "v"},
        {"] in section", "S]x", "k", "v"},
        {"CR in section", "S\rT", "k", "v"},
        {"empty section", "", "k", "v"},
    };
    for (const UnsafeWrite& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto file = dir / "p.pro";
        writeBytes(file, kProfile);
        const auto result = profile::writeString(file, c.section, c.key, c.value);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("refused"), std::string::npos) << result.error;
        EXPECT_EQ(readBytes(file), kProfile);
        EXPECT_FALSE(profile::writeString(dir / "new.pro", c.section, c.key, c.value).ok);
        EXPECT_FALSE(std::filesystem::exists(dir / "new.pro"));
    }
}

struct Placement {
    const char* what;
    std::string before;
    std::string section, key, value;
    std::string after;
};

TEST(ProfileWrite, ValuesGoWhereTheyBelong) {
    const Placement cases[] = {
        {"replaced on its own line, indentation and spelling kept",
         "[S]\r\n  MyKey = 1 \r\nz=2\r\n", "s", "MYKEY", "7", "[S]\r\n  MyKey=7\r\nz=2\r\n"},
        {"new key after the last key, before blank lines and comments of the next section",
         "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\nx=1\r\n", "S", "b", "2",
         "[S]\r\na=1\r\nb=2\r\n\r\n; about T\r\n[T]\r\nx=1\r\n"},
        {"new key into a section without keys", "[S]\r\n[T]\r\n", "S", "k", "v",
         "[S]\r\nk=v\r\n[T]\r\n"},
        {"last line without line ending", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"new section at the end, file's own line ending", "[S]\na=1\n", "T", "x", "1",
         "[S]\na=1\n[T]\nx=1\n"},
        {"key line without = gets its value in place", "[S]\nflag\nk=1\n", "S", "flag", "1",
         "[S]\nflag=1\nk=1\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[S]\r\n", "S", "k", "\xC3\xBC",
         "\xEF\xBB\xBF[S]\r\nk=\xC3\xBC\r\n"},
        {"same value: untouched", "[S]\n  a  =  \"1\"\n", "S", "a", "\"1\"",
         "[S]\n  a  =  \"1\"\n"},
    };
    for (const Placement& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto file = dir / "p.pro";
        writeBytes(file, c.before);
        ASSERT_TRUE(profile::writeString(file, c.section, c.key, c.value).ok);
        EXPECT_EQ(readBytes(file), c.after);
    }
}

TEST(ProfileEncoding, Cp1252ProfileReadsAsUtf8) {
    TempDir dir;
    const auto file = dir / "windows.pro";
    // Written by the Windows program: code page 1252 bytes.
    writeBytes(file, "[MSN_DIV]\r\nALIAS0=B\xFCro M\xFCller\r\nALIAS1=Gr\xF6\xDF"
                     "e \x80 5\r\nALIASD=\xC4rger\r\n");
    EXPECT_EQ(profile::readString(file, "MSN_DIV", "ALIAS0", ""), "B\xC3\xBCro M\xC3\xBCller");
    EXPECT_EQ(profile::readString(file, "MSN_DIV", "ALIAS1", ""), "Gr\xC3\xB6\xC3\x9F"
                                                                  "e \xE2\x82\xAC 5");
    EXPECT_EQ(profile::readString(file, "MSN_DIV", "ALIASD", ""), "\xC3\x84rger");

    // Rewriting one key leaves the other lines' bytes alone and writes UTF-8.
    ASSERT_TRUE(profile::writeString(file, "MSN_DIV", "ALIASD", "\xC3\x84rger").ok);
    EXPECT_EQ(readBytes(file), "[MSN_DIV]\r\nALIAS0=B\xFCro M\xFCller\r\nALIAS1=Gr\xF6\xDF"
                               "e \x80 5\r\nALIASD=\xC3\x84rger\r\n");
    EXPECT_EQ(profile::readString(file, "MSN_DIV", "ALIASD", ""), "\xC3\x84rger");
}

// Windows' "Unicode" (Notepad, PowerShell's default): UTF-16 after a
// byte-order mark, either byte order.
std::string utf16(std::string_view ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

TEST(ProfileEncoding, Utf16ProfileIsReadAndWrittenBackInUtf16) {
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        TempDir dir;
        const auto file = dir / "unicode.pro";
        // "Küche" (ü is U+00FC) and a telephone sign beyond U+FFFF (a surrogate pair).
        std::string bytes = utf16("[MSN_DIV]\r\nALIAS0=K", bigEndian);
        bytes += bigEndian ? std::string("\0\xFC", 2) : std::string("\xFC\0", 2);
        bytes += utf16("che\r\nALIAS1=", bigEndian).substr(2);
        bytes += bigEndian ? "\xD8\x3D\xDC\xDE" : "\x3D\xD8\xDE\xDC";
        bytes += utf16("\r\n", bigEndian).substr(2);
        writeBytes(file, bytes);
        const auto snapshot = profile::IniSnapshot::load(file);
        EXPECT_EQ(snapshot.sectionNames(), std::vector<std::string>{"MSN_DIV"});
        EXPECT_EQ(snapshot.readString("MSN_DIV", "ALIAS0", ""), "K\xC3\xBC"
                                                                "che");
        EXPECT_EQ(snapshot.readString("MSN_DIV", "ALIAS1", ""), "\xF0\x9F\x93\x9E");

        ASSERT_TRUE(profile::writeString(file, "MSN_DIV", "ALIASD", "Fax").ok);
        EXPECT_EQ(readBytes(file), bytes + utf16("ALIASD=Fax\r\n", bigEndian).substr(2));
    }
    // What is no UTF-16 comes back as U+FFFD rather than vanishing: an
    // unpaired surrogate, a last odd byte.
    EXPECT_EQ(profile::utf16ToUtf8(std::string("A\0\x00\xD8"
                                               "B",
                                               5),
                                   profile::ByteOrder::Little),
              "A\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ProfileEncoding, CutNeverSplitsACharacter) {
    std::string umlauts;
    for (int i = 0; i < 30; ++i)
        umlauts += "\xC3\xBC"; // 60 bytes of UTF-8
    EXPECT_EQ(profile::decodeProfileText(umlauts, 49), umlauts.substr(0, 48));
    const std::string cp1252(60, '\xFC'); // 60 bytes of code page 1252
    std::string expected;
    for (int i = 0; i < 49; ++i)
        expected += "\xC3\xBC";
    EXPECT_EQ(profile::decodeProfileText(cp1252, 49), expected);
    EXPECT_EQ(profile::decodeProfileText("a\xE2\x82\xAC", 3), "a");
    EXPECT_EQ(profile::decodeProfileText(std::string("ab\0cd", 5), 49), "ab");
}

TEST(ProfileEncoding, Utf8Validity) {
    EXPECT_TRUE(profile::isValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E"));
    EXPECT_FALSE(profile::isValidUtf8("caf\xE9"));      // code page 1252
    EXPECT_FALSE(profile::isValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(profile::isValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(profile::isValidUtf8("\xC3"));         // cut short
    EXPECT_EQ(profile::cp1252ToUtf8("\x80\x81\x9F\xFF"), "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC3\xBF");
}

TEST(ProfileRead, LeadingDecimal) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"42", 42},
        {" -5 ", -5},
        {"+5", 5},
        {"12abc", 12},
        {"0x10", 0},
        {"3.7", 3},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"- 7", std::nullopt},
        {"abc", std::nullopt},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"99999999999999999999999999999999999", INT_MAX},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(profile::leadingDecimal(text), expected) << text;
    }
}

} // namespace
