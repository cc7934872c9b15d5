// The shared profile vectors run through both our profile layer and the
// system's own GetPrivateProfileString / GetPrivateProfileInt /
// WritePrivateProfileString, each on its own copy of the file: every read
// gives the same text, every write the same result and the same file, except
// where support/ini_vector_deviations.h says why ours differs. Then what a
// Windows user meets: a folder with a non-ASCII name, a profile saved as
// "Unicode", a file that a virus scanner holds for a moment.
//   profile_win32_test.exe FOLDER-OF-THE-VECTORS [WORK-FOLDER]
// The system's functions of the vectors take their file's name in the
// system's code page: the work folder (by default the temporary folder) must
// have an ASCII name.
#include "profile/atomic_file.h"
#include "profile/ini_file.h"
#include "profile/native_text.h"
#include "profile/text_encoding.h"
#include "support/ini_vector_deviations.h"
#include "windows/check.h"

#include <windows.h>

#include <fstream>
#include <optional>
#include <sstream>

namespace {

using nlohmann::json;
using namespace testsupport;
namespace profile = quorvex::profile;
namespace fs = std::filesystem;

wintest::Tally t;

std::optional<std::string> fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void putFile(const fs::path& file, const std::optional<std::string>& bytes) {
    std::error_code ec;
    fs::remove(file, ec);
    if (!bytes) return;
    std::ofstream(file, std::ios::binary) << *bytes;
}

const char* orNull(const json& v, std::string& keep) {
    if (v.is_null()) return nullptr;
    keep = bytesOf(v);
    return keep.c_str();
}

// Both files read the same for every key either of them has.
bool sameReads(const fs::path& system, const fs::path& ours) {
    const auto a = profile::IniSnapshot::load(system);
    const auto b = profile::IniSnapshot::load(ours);
    for (const std::string& section : a.sectionNames())
        for (const std::string& key : a.keyNames(section))
            if (a.readString(section, key, "<missing>") != b.readString(section, key, "<missing>"))
                return false;
    return true;
}

void runCase(const json& c, const fs::path& dir) {
    const std::string id = c["id"];
    const fs::path sys = dir / "system.ini";
    const fs::path ours = dir / "ours.ini";
    std::optional<std::string> before;
    if (!c["file_before"].is_null()) before = bytesOf(c["file_before"]);
    putFile(sys, before);
    putFile(ours, before);
    const std::string sysName = sys.string();
    const bool refused = kRefused.count(id) > 0;

    for (const json& op : c["ops"]) {
        const std::string fn = op["fn"];
        std::string section, key, value, dflt;
        const char* s = orNull(op["section"], section);
        const char* k = orNull(op["key"], key);
        if (fn == "GetPrivateProfileStringA") {
            const std::size_t size = op["size"];
            const char* d = orNull(op["default"], dflt);
            std::string buffer(size + 2, '\xcc');
            const DWORD ret = GetPrivateProfileStringA(s, k, d, buffer.data(),
                                                       static_cast<DWORD>(size), sysName.c_str());
            bool same = false;
            if (s == nullptr) {
                same = profile::IniSnapshot::load(ours).sectionNames() == listOf(buffer, ret);
            } else if (k == nullptr) {
                same = profile::IniSnapshot::load(ours).keyNames(section) == listOf(buffer, ret);
            } else {
                const std::string fallback =
                    d != nullptr ? profile::decodeProfileText(dflt, std::string::npos) : "";
                const std::string expected =
                    refused ? profile::decodeProfileText(fallback, size - 1)
                            : profile::decodeProfileText(buffer.substr(0, ret), std::string::npos);
                same = profile::readString(ours, section, key, fallback, size) == expected;
            }
            t.check(same, id + ": " + fn + " [" + section + "] " + key);
        } else if (fn == "GetPrivateProfileIntA") {
            const int d = op["default"].get<int>();
            const int system = static_cast<int>(GetPrivateProfileIntA(s, k, d, sysName.c_str()));
            const auto listed = kOurNumbers.find(id);
            const int expected = listed != kOurNumbers.end() ? listed->second : system;
            t.check(profile::readInt(ours, section, key, d) == expected,
                    id + ": GetPrivateProfileIntA gives " + std::to_string(system));
        } else {
            const std::string utf8 =
                profile::decodeProfileText(bytesOf(op["value"]), std::string::npos);
            value = bytesOf(op["value"]);
            const bool system =
                WritePrivateProfileStringA(s, k, value.c_str(), sysName.c_str()) != 0;
            const auto written = profile::writeString(ours, section, key, utf8);
            t.check(refused ? !written.ok : written.ok == system,
                    id + ": " + fn + " " + written.error);
        }
    }
    // The system may keep a written file cached until it is told to flush.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, sysName.c_str());
    const auto afterOurs = fileBytes(ours);
    if (refused) {
        t.check(afterOurs == before, id + ": a refused write leaves the file as it was");
    } else if (const auto layout = kOurFileAfter.find(id); layout != kOurFileAfter.end()) {
        t.check(afterOurs == layout->second && sameReads(sys, ours),
                id + ": our layout, the system's reads");
    } else {
        t.check(afterOurs == fileBytes(sys), id + ": the same file as the system's");
    }
}

std::string systemRead(const fs::path& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[50] = {};
    const DWORD n = GetPrivateProfileStringW(section, key, L"<missing>", value, 50, file.c_str());
    return profile::utf8FromWide(std::wstring_view(value, n));
}

// "C:\...\Jürgen\büro.pro", given to us as UTF-8 as the program holds it.
void nonAsciiFolder(const fs::path& dir) {
    const std::string folder = profile::utf8Of(dir) + "\\J\xC3\xBCrgen";
    const fs::path file = profile::pathFromUtf8(folder + "\\b\xC3\xBCro.pro");
    t.check(file.native().find(L"J\u00fcrgen\\b\u00fcro.pro") != std::wstring::npos,
            "the UTF-8 name is the name the system sees");
    fs::create_directories(file.parent_path());
    const auto written = profile::writeString(file, "MSN_DIV", "ALIAS0",
                                              "K\xC3\xBC"
                                              "che");
    t.check(written.ok, "write into J\xC3\xBCrgen: " + written.error);
    t.check(systemRead(file, L"MSN_DIV", L"ALIAS0") != "<missing>",
            "the system finds the file we wrote");
    t.check(profile::readString(file, "MSN_DIV", "ALIAS0", "") == "K\xC3\xBC"
                                                                  "che",
            "and we read it back");
    t.check(profile::utf8Of(file) == folder + "\\b\xC3\xBCro.pro", "and name it in UTF-8");
}

// Notepad's "Unicode": the system's functions and ours read the same values,
// and a value we write is read by the system.
void unicodeProfile(const fs::path& dir) {
    const fs::path file = dir / L"unicode.pro";
    const std::wstring text = L"\uFEFF[MSN_DIV]\r\nALIAS0=K\u00fcche\r\nALIAS1=\u20ac 5\r\n";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(text.data()),
               static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
    for (const wchar_t* key : {L"ALIAS0", L"ALIAS1"}) {
        const std::string ours =
            profile::readString(file, "MSN_DIV", profile::utf8FromWide(key), "");
        t.check(ours == systemRead(file, L"MSN_DIV", key),
                "a UTF-16 profile reads as the system reads it: " + ours);
    }
    t.check(profile::writeString(file, "MSN_DIV", "ALIASD", "B\xC3\xBCro").ok &&
                systemRead(file, L"MSN_DIV", L"ALIASD") == "B\xC3\xBCro",
            "a value written into it is the system's too");
    t.check(fileBytes(file).value_or("").rfind("\xFF\xFE[\0", 0) == 0, "the file stays UTF-16");
}

DWORD WINAPI closeAfterAWhile(LPVOID handle) {
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

// A scanner opens a changed file at once and holds it for a moment, without
// sharing it for deletion: the replacement waits for it instead of failing.
void heldByAScanner(const fs::path& dir) {
    const fs::path file = dir / L"held.pro";
    putFile(file, std::string("[SET_DIV]\r\nLANGUAGE=0\r\n"));
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE releaser = CreateThread(nullptr, 0, closeAfterAWhile, held, 0, nullptr);
    const auto failed = profile::replaceFileAtomically(file, "[SET_DIV]\r\nLANGUAGE=1\r\n");
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    t.check(!failed && fileBytes(file) == "[SET_DIV]\r\nLANGUAGE=1\r\n",
            "a file held for 300 ms is replaced once it is free: " + failed.value_or(""));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: profile_win32_test FOLDER-OF-THE-VECTORS\n");
        return 2;
    }
    t.check(GetACP() == 1252,
            "the vectors are in code page 1252, the system uses " + std::to_string(GetACP()));
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const fs::path dir = (argc > 2 ? profile::pathFromUtf8(argv[2]) : fs::path(temp)) /
                         ("qvx-ini-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    int cases = 0;
    for (const char* group : {"getstring", "getint", "write", "encoding"}) {
        const fs::path path = fs::path(argv[1]) / (std::string("vectors-") + group + ".json");
        std::ifstream in(path);
        if (!t.check(static_cast<bool>(in), "read " + path.string())) continue;
        const json vectors = json::parse(in);
        for (const json& c : vectors["cases"]) {
            if (usesNullPointers(c)) continue; // not implemented (the program never deletes)
            runCase(c, dir);
            ++cases;
        }
    }
    t.check(cases == 44 + 25 + 37 + 12 - static_cast<int>(kNotImplemented.size()),
            "cases run: " + std::to_string(cases));
    nonAsciiFolder(dir);
    unicodeProfile(dir);
    heldByAScanner(dir);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return t.finish("profile vectors, ours against the system's");
}
