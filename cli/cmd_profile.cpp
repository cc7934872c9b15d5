// quorvex-cli profile: read, write and list a profile file the way the
// program itself reads and writes it.
#include "cli/commands.h"
#include "cli/options.h"
#include "profile/ini_file.h"
#include "profile/native_text.h"

#include <cstdio>
#include <set>
#include <string>
#include <string_view>

namespace quorvex::cli {

namespace {

constexpr const char* kUsage =
    "Usage: quorvex-cli profile get FILE SECTION KEY\n"
    "       quorvex-cli profile set [--create] FILE SECTION KEY VALUE\n"
    "       quorvex-cli profile dump FILE [SECTION]\n"
    "\n"
    "Read and write profile files (*.pro, win.ini) exactly as the program does.\n"
    "\n"
    "  get   print the value of KEY in SECTION as the program reads it: blanks\n"
    "        around it and one pair of outer quotes removed, at most 49 bytes of\n"
    "        the file (never a split character), code page 1252 bytes converted\n"
    "        to UTF-8. Section and key names ignore case.\n"
    "  set   write KEY=VALUE into SECTION: the value replaced on its own line, a\n"
    "        new key at the end of its section, a new section at the end of the\n"
    "        file; every other line is kept as it is. The file is replaced\n"
    "        atomically. A missing FILE is created only with --create. Values\n"
    "        with line breaks, keys with '=' or starting with '[', and section\n"
    "        names with ']' are refused.\n"
    "  dump  print every section as [SECTION] and its keys as KEY=VALUE in file\n"
    "        order, values as 'get' prints them; a section or key that appears\n"
    "        twice is shown once (the program reads the first). With SECTION, only\n"
    "        that section.\n"
    "\n"
    "Exit status: 0 on success; 2 when the file, the section or the key is\n"
    "missing, the file cannot be read, a write is refused or fails, or the\n"
    "arguments are wrong.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "quorvex-cli profile: %s\n", message.c_str());
    return kExitFailure;
}

int usageError(const char* message) {
    std::fprintf(stderr, "quorvex-cli profile: %s\n\n%s", message, kUsage);
    return kExitFailure;
}

// The file read whole, or the status to exit with when it cannot be.
struct Opened {
    std::optional<profile::IniSnapshot> snapshot;
    int status = 0;
};

Opened open(const std::string& file) {
    Opened result;
    auto snapshot = profile::IniSnapshot::load(profile::pathFromUtf8(file));
    if (!snapshot.exists()) {
        result.status = fail(file + ": no such file");
    } else if (!snapshot.problem().empty()) {
        result.status = fail(snapshot.problem());
    } else {
        result.snapshot.emplace(std::move(snapshot));
    }
    return result;
}

int runGet(Args args) {
    if (args.size() != 3) return usageError("get needs FILE SECTION KEY");
    const std::string file = args[0];
    const std::string_view section = args[1];
    const std::string_view key = args[2];
    const Opened opened = open(file);
    if (!opened.snapshot) return opened.status;
    if (!opened.snapshot->hasSection(section)) {
        return fail("no section [" + std::string(section) + "] in " + file);
    }
    const auto value = opened.snapshot->find(section, key);
    if (!value) {
        return fail("no key " + std::string(key) + " in section [" + std::string(section) +
                    "] of " + file);
    }
    std::printf("%s\n", value->c_str());
    return 0;
}

int runSet(Args args) {
    bool create = false;
    if (!args.empty() && std::string_view(args[0]) == "--create") {
        create = true;
        args = args.subspan(1);
    }
    if (args.size() != 4) return usageError("set needs FILE SECTION KEY VALUE");
    const std::string file = args[0];
    const std::filesystem::path path = profile::pathFromUtf8(file);
    if (!create && !profile::IniSnapshot::load(path).exists()) {
        return fail(file + ": no such file (use --create to make a new profile)");
    }
    const profile::WriteResult written = profile::writeString(path, args[1], args[2], args[3]);
    if (!written) return fail(written.error);
    return 0;
}

void dumpSection(const profile::IniSnapshot& snapshot, std::string_view section) {
    std::set<std::string> seen;
    for (const std::string& key : snapshot.keyNames(section)) {
        std::string folded = key;
        for (char& c : folded)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (!seen.insert(folded).second) continue;
        std::printf("%s=%s\n", key.c_str(), snapshot.readString(section, key, "").c_str());
    }
}

int runDump(Args args) {
    if (args.size() != 1 && args.size() != 2) return usageError("dump needs FILE [SECTION]");
    const std::string file = args[0];
    const Opened opened = open(file);
    if (!opened.snapshot) return opened.status;
    const profile::IniSnapshot& snapshot = *opened.snapshot;
    if (args.size() == 2) {
        const std::string_view section = args[1];
        if (!snapshot.hasSection(section)) {
            return fail("no section [" + std::string(section) + "] in " + file);
        }
        std::printf("[%s]\n", std::string(profile::trimBlanks(section)).c_str());
        dumpSection(snapshot, section);
        return 0;
    }
    dumpSection(snapshot, ""); // keys above the first section, if any
    std::set<std::string> seen;
    for (const std::string& section : snapshot.sectionNames()) {
        std::string folded = section;
        for (char& c : folded)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (!seen.insert(folded).second) continue;
        std::printf("[%s]\n", section.c_str());
        dumpSection(snapshot, section);
    }
    return 0;
}

struct Action {
    std::string_view name;
    int (*run)(Args args);
};

constexpr Action kActions[] = {
    {"get", runGet},
    {"set", runSet},
    {"dump", runDump},
};

} // namespace

int runProfile(Args args) {
    // Common options given before the command mean nothing to a file alone.
    while (args.size() >= 2 && takesValue(args[0]))
        args = args.subspan(2);
    if (args.empty()) return usageError("missing action (get, set or dump)");
    const std::string_view action = args[0];
    if (action == "--help" || action == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (const Action& a : kActions) {
        if (a.name == action) return a.run(args.subspan(1));
    }
    return usageError("unknown action (use get, set or dump)");
}

} // namespace quorvex::cli
