// quorvex-cli get / set: one item by its profile key, through the page (or
// the main window's section) that owns it. The owner reads the device and
// saves its section as "Save Profile As..." does; set then loads the section
// back with the one value changed, and only the item whose command differs
// from what the device already holds reaches the device.
#include "cli/cli_texts.h"
#include "cli/device_session.h"
#include "cli/profile_diff.h"
#include "cli/subcommand.h"
#include "core/number_classifier.h"
#include "profile/native_text.h"
#include "profile/sections.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace quorvex::cli {
namespace fs = std::filesystem;

namespace {

const Usage kGetUsage{"get", "SECTION KEY",
                      "Reads the page that owns KEY of SECTION (for example MSN_DIV AMSN10,\n"
                      "ACCEP_DIV CALLWAIT1, SET_DIV CHGUNIT) from the device and prints the value\n"
                      "the desktop program would save for it.\n"
                      "Exit status: 0 printed; 2 unknown section or key, or no device.\n",
                      2, 2};

const Usage kSetUsage{
    "set", "SECTION KEY VALUE",
    "Sets one item by its profile key through the page that owns it and sends only\n"
    "that item. A value the page does not accept is refused with its message.\n"
    "Exit status: 0 the device took the value; 1 the device refused it; 2 unknown\n"
    "section or key, a value the page rejects, or no device.\n",
    3, 3};

// The page that owns a section; -1 for the main window's own sections.
int ownerPage(profile::Section s) {
    return profile::rowsOf(s).page;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

struct Target {
    profile::Section section;
    std::string sectionName;
    profile::KeySpec key;
    int page = -1;
};

// The key in the section for the connected model, or a message (exit 2).
std::optional<Target> findTarget(const Usage& usage, DeviceSession& session,
                                 const std::string& section, const std::string& key, int lang) {
    auto s = profile::sectionFromName(section);
    if (!s) {
        fail(usage, std::string(cliText(CliText::UnknownSection, lang)) + " '" + section + "'");
        return std::nullopt;
    }
    for (const profile::KeySpec& k : profile::keysOf(*s, session.app().portCount)) {
        if (sameName(k.name, key)) {
            Target t{*s, std::string(profile::sectionName(*s)), k, ownerPage(*s)};
            return t;
        }
    }
    fail(usage, std::string(cliText(CliText::UnknownKey, lang)) + " '" + key + "' (" +
                    std::string(profile::sectionName(*s)) + ", R" +
                    std::to_string(session.app().modelNumber) + ")");
    return std::nullopt;
}

// A value the profile form cannot hold: the reason, else empty.
std::string formProblem(const profile::KeySpec& key, const std::string& value) {
    for (unsigned char c : value) {
        if (c < 0x20) return "control characters are not allowed";
    }
    if (value.size() > 49) return "at most 49 characters";
    if (key.form == profile::ValueForm::Text) return {};
    if (value.empty()) return "a number is needed";
    std::size_t i = value[0] == '-' ? 1 : 0;
    if (i == value.size()) return "a number is needed";
    for (; i < value.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(value[i]))) return "a number is needed";
    }
    long long n = std::stoll(value.size() > 12 ? value.substr(0, 12) : value);
    if (key.form == profile::ValueForm::Switch && n != 0 && n != 1) return "0 or 1";
    if (n < key.minValue || n > key.maxValue) {
        return "from " + std::to_string(key.minValue) + " to " + std::to_string(key.maxValue);
    }
    return {};
}

fs::path scratchFile(const char* what) {
    return fs::temp_directory_path() /
           ("quorvex-" + std::string(what) + "-" + std::to_string(::getpid()) + ".pro");
}

// Opens the device with only the owner's page and saves the owner's section
// (with BACK_DIV and SET_DIV, which the main window always saves) into file.
bool saveOwner(const Usage& usage, DeviceSession& session, const fs::path& file, int lang) {
    std::error_code ec;
    fs::remove(file, ec);
    session.setProfileFile(file);
    core::SaveResult saved =
        session.main().profileSave(core::kCurrentProfile, "", core::Unconfirmed::Refuse);
    if (!saved.unconfirmed.empty()) {
        fail(usage, unconfirmedMessage(saved.unconfirmed, lang));
        return false;
    }
    if (!saved.writes.ok()) {
        fail(usage,
             std::string(cliText(CliText::WriteFailed, lang)) + "\n" + saved.writes.describe());
        return false;
    }
    return true;
}

} // namespace

int runGet(Args args) {
    Prepared p = prepare(args, kGetUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    DeviceSession session(lang);
    auto section = profile::sectionFromName(p.options->rest[0]);
    session.onlyPage(section ? ownerPage(*section) : -1);
    session.ui().setMuted(true);
    if (!session.open()) return kExitFailure;
    auto target = findTarget(kGetUsage, session, p.options->rest[0], p.options->rest[1], lang);
    if (!target) return kExitFailure;
    const fs::path file = scratchFile("get");
    bool saved = saveOwner(kGetUsage, session, file, lang);
    auto snapshot = profile::IniSnapshot::load(file);
    std::error_code ec;
    fs::remove(file, ec);
    if (!saved) return kExitFailure;
    std::printf("%s\n", loadedValue(snapshot, target->sectionName, target->key).c_str());
    return kExitOk;
}

int runSet(Args args) {
    Prepared p = prepare(args, kSetUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const std::string value = p.options->rest[2];
    DeviceSession session(lang);
    auto section = profile::sectionFromName(p.options->rest[0]);
    session.onlyPage(section ? ownerPage(*section) : -1);
    session.ui().setMuted(true);
    if (!session.open()) return kExitFailure;
    auto target = findTarget(kSetUsage, session, p.options->rest[0], p.options->rest[1], lang);
    if (!target) return kExitFailure;
    if (std::string why = formProblem(target->key, value); !why.empty()) {
        return fail(kSetUsage, std::string(cliText(CliText::Rejected, lang)) + " '" + value +
                                   "': " + target->key.name + ": " + why);
    }

    const fs::path file = scratchFile("set");
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ec;
            fs::remove(path, ec);
        }
    } cleanup{file};
    if (!saveOwner(kSetUsage, session, file, lang)) return kExitFailure;
    auto before = profile::IniSnapshot::load(file);
    const std::string old = loadedValue(before, target->sectionName, target->key);

    // The device's own values, loaded without sending: every command they
    // make is one the device already holds.
    session.setGate(DeviceSession::Gate::Hold);
    session.main().profileLoad(core::kCurrentProfile, "");
    std::size_t messagesBefore = session.ui().messages().size();

    profile::WriteResult w = session.app().profiles().writeString(
        core::kCurrentProfile, target->sectionName, target->key.name, value);
    if (!w.ok) return fail(kSetUsage, profile::utf8Of(file) + ": " + w.error);
    session.setGate(DeviceSession::Gate::Filter);
    session.startRecording();
    session.main().profileLoad(core::kCurrentProfile, "");
    std::vector<Exchange> sent = session.takeRecording();
    session.setGate(DeviceSession::Gate::Pass);

    const auto& messages = session.ui().messages();
    std::string pageSaid;
    for (std::size_t i = messagesBefore; i < messages.size(); ++i)
        pageSaid += messages[i] + "\n";

    auto after = profile::IniSnapshot::load(file);
    const std::string wanted = loadedValue(after, target->sectionName, target->key);
    if (sent.empty()) {
        if (wanted == old) {
            std::printf("%s %s = %s\n", target->sectionName.c_str(), target->key.name.c_str(),
                        wanted.c_str());
            return kExitOk; // the device holds it already
        }
        if (profile::programOnlyKey(target->key.name)) {
            std::printf("%s %s = %s (%s)\n", target->sectionName.c_str(), target->key.name.c_str(),
                        wanted.c_str(), std::string(cliText(CliText::NotInDevice, lang)).c_str());
            return kExitOk;
        }
        // The page made nothing of the value: it does not accept it. Its own
        // message says "digits only" of a number that is too long: our line says so.
        const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        const std::string why = digits && value.size() > core::kMaxNumberDigits
                                    ? ": " + tooLongNumber(value, core::kMaxNumberDigits, lang)
                                    : std::string();
        while (!pageSaid.empty() && pageSaid.back() == '\n')
            pageSaid.pop_back();
        return fail(kSetUsage, std::string(cliText(CliText::Rejected, lang)) + " '" + value + "'" +
                                   why + (pageSaid.empty() ? "" : "\n" + pageSaid));
    }
    // The device's answer can refuse what the driver confirmed (forwarding not
    // subscribed): the page's report says so.
    Refusals refusals = reportedRefusals(session.main());
    bool allDone = true;
    for (const Exchange& e : sent) {
        const auto word = refusals.take(e.command);
        const bool done = e.confirmed() && !word;
        std::printf("%s,%s\n", e.command.c_str(),
                    done            ? "OK"
                    : e.result != 0 ? "FAIL"
                    : e.ok != 1     ? "no OK"
                                    : std::string(core::reportWord(*word)).c_str());
        allDone = allDone && done;
    }
    if (!pageSaid.empty()) std::fprintf(stderr, "%s", pageSaid.c_str());
    if (!allDone)
        return fail(kSetUsage, std::string(cliText(CliText::DeviceRefused, lang)), kExitRefused);
    return kExitOk;
}

} // namespace quorvex::cli
