// quorvex-cli backup / restore / diff: the main window's "Save Profile As..."
// and "Load Profile..." over every page, and a comparison of the device with
// a profile file.
#include "app/load_trial.h"
#include "cli/cli_texts.h"
#include "cli/device_session.h"
#include "cli/profile_diff.h"
#include "cli/subcommand.h"
#include "profile/atomic_file.h"
#include "profile/native_text.h"
#include "profile/sections.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <unistd.h>

namespace quorvex::cli {
namespace fs = std::filesystem;

namespace {

const Usage kBackupUsage{
    "backup", "FILE",
    "Reads every page from the device and writes the profile FILE as the desktop\n"
    "program's \"Save Profile As...\" does: the same sections, keys, order and values.\n"
    "Port names, symbols and provider names come from the default profile in\n"
    "QUORVEX_HOME. FILE is replaced only when the whole profile was written, and\n"
    "only when the device answered for every setting (else they are named).\n"
    "Exit status: 0 saved; 1 settings could not be read from the device (nothing\n"
    "written); 2 no device, or FILE could not be written.\n",
    1, 1};

const Usage kRestoreUsage{
    "restore", "[--missing=defaults|keep] FILE",
    "Loads the profile FILE into the device as \"Load Profile...\" does: data callback,\n"
    "settings, then the pages MSN, call acceptance, short dial, forwarding, call\n"
    "filter, data, LCR and timer, each section sent whole. Prints how many items were\n"
    "sent, confirmed and refused, and every refused item by its command text. A value\n"
    "of FILE that a page does not send as FILE gives it (changed to fit, or left out:\n"
    "not a time, too long for the device, out of its range) is named\n"
    "\"SECTION/KEY=value,not sent as given\" and counts as refused.\n"
    "Before anything is sent, the settings a full backup of this model holds and FILE\n"
    "lacks are named, and nothing is loaded, unless --missing says what to do with them:\n"
    "defaults loads them as their default values, keep leaves the device's own values\n"
    "(a section FILE lacks whole is not loaded at all).\n"
    "Exit status: 0 every item confirmed; 1 the device refused items, or values were\n"
    "not sent as given; 2 no device, FILE unreadable or lacking settings, or the\n"
    "device stopped answering (the items it did not answer are counted).\n"
    "\n"
    "  --missing=defaults|keep  what to do with the settings FILE lacks\n",
    1, 1};

const Usage kDiffUsage{
    "diff", "FILE",
    "Reads the device, builds the profile it would save, and prints every key where\n"
    "the device differs from FILE as \"SECTION KEY: file=... device=...\". Keys the\n"
    "program keeps only in its default profile (language, sound, port names and\n"
    "symbols, provider names) are compared too and marked. Nothing is sent.\n"
    "Exit status: 0 equal; 1 different; 2 no device, FILE unreadable, or settings\n"
    "that could not be read from the device (they are named).\n",
    1, 1};

std::string fileNameOf(const fs::path& p) {
    return profile::utf8Of(p.filename());
}

// A profile file that a load can use; a message otherwise. A file that holds
// no section of a profile is refused: loading it would send every default.
std::optional<std::string> checkReadable(const fs::path& file, int lang) {
    const std::string name = "'" + profile::utf8Of(file) + "'";
    auto snapshot = profile::IniSnapshot::load(file);
    if (!snapshot.exists()) {
        return std::string(cliText(CliText::FileMissing, lang)) + " " + name + ": " +
               std::string(cliText(CliText::NoSuchFile, lang));
    }
    if (!snapshot.problem().empty()) {
        return std::string(cliText(CliText::FileMissing, lang)) + " " + name + ": " +
               snapshot.problem();
    }
    if (!profile::holdsProfileSection(snapshot.sectionNames()))
        return tableText(core::kTextNoProfile, lang) + name;
    return std::nullopt;
}

// The device's profile written into file through the main window's save, a
// fresh file (no key of an older profile lingers), written once when whole;
// nothing is written when the device did not answer for every item.
core::SaveResult saveDeviceProfile(DeviceSession& session, const fs::path& file) {
    session.setProfileFile(file);
    return session.main().profileSave(core::kCurrentProfile, fileNameOf(file),
                                      core::Unconfirmed::Refuse, core::HeldProfiles::Start::Empty);
}

} // namespace

int runBackup(Args args) {
    Prepared p = prepare(args, kBackupUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const fs::path target = profile::pathFromUtf8(p.options->rest[0]);
    // A folder, a device or a FIFO in the way is found before the device is read.
    if (auto refused = profile::replacementRefusal(target)) return fail(kBackupUsage, *refused);

    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    session.ui().setProgressShown(true);
    core::SaveResult saved = saveDeviceProfile(session, target);
    if (!saved.unconfirmed.empty()) {
        // A backup of stand-ins would restore defaults over the user's settings.
        return fail(kBackupUsage, unconfirmedMessage(saved.unconfirmed, lang), kExitRefused);
    }
    if (!saved.writes.ok()) return kExitFailure; // the file and the reason are printed
    std::printf("%s: %s\n", profile::utf8Of(target).c_str(),
                std::string(cliText(CliText::Saved, lang)).c_str());
    return kExitOk;
}

// ---- restore ----

int runRestore(Args args) {
    // --missing belongs to this command alone; the rest are the common options.
    std::optional<core::MissingKeys> missing;
    std::vector<char*> rest;
    for (char* a : args) {
        const std::string_view arg(a);
        if (arg.rfind("--missing=", 0) != 0) {
            rest.push_back(a);
            continue;
        }
        const std::string_view how = arg.substr(10);
        if (how == "defaults")
            missing = core::MissingKeys::Defaults;
        else if (how == "keep")
            missing = core::MissingKeys::Keep;
        else
            return usageError(kRestoreUsage,
                              "--missing is defaults or keep, not '" + std::string(how) + "'");
    }
    Prepared p = prepare(Args(rest.data(), rest.size()), kRestoreUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const fs::path file = profile::pathFromUtf8(p.options->rest[0]);
    if (auto problem = checkReadable(file, lang)) return fail(kRestoreUsage, *problem);

    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    session.setProfileFile(fs::absolute(file));
    core::CConfigApp& app = session.app();
    // Before anything is sent: what the file lacks for this model would load
    // as defaults over the user's own settings.
    const app::LoadTrial trial = app::tryLoad(app, core::kCurrentProfile);
    if (!trial.lacking.empty() && !missing) {
        std::string list;
        for (const std::string& item : trial.lacking)
            list += "\n  " + item;
        return fail(kRestoreUsage, std::string(cliText(CliText::ProfileLacks, lang)) + list);
    }

    session.ui().setProgressShown(true);
    session.startRecording();
    const int unansweredBefore = app.unansweredChanges();
    core::WriteReport report = session.main().profileLoad(
        core::kCurrentProfile, fileNameOf(file), missing.value_or(core::MissingKeys::Defaults));
    std::vector<Exchange> sent = session.takeRecording();
    const int notAnswered = app.unansweredChanges() - unansweredBefore;

    // An item the driver confirmed can still be refused by the device's answer
    // (forwarding not subscribed, say): the reports say which, by command text.
    Refusals refusals = reportedRefusals(session.main());
    int answered = 0;
    int confirmed = 0;
    std::vector<std::string> refused;
    for (const Exchange& e : sent) {
        if (e.result != 0) continue; // not answered: counted on its own
        ++answered;
        const auto word = refusals.take(e.command);
        if (e.confirmed() && !word) {
            ++confirmed;
            continue;
        }
        const std::string why = e.ok != 1 ? "no OK" : std::string(core::reportWord(*word));
        refused.push_back(
            (e.command.empty() ? "(command " + std::to_string(e.code) + ")" : e.command) + "," +
            why);
    }
    for (const std::string& value : trial.notAsGiven)
        refused.push_back(value + "," + app::kNotSentAsGiven);
    char line[200];
    std::snprintf(line, sizeof line, std::string(cliText(CliText::Summary, lang)).c_str(), answered,
                  confirmed, static_cast<int>(refused.size()));
    std::printf("%s", line);
    if (notAnswered > 0) {
        std::snprintf(line, sizeof line, std::string(cliText(CliText::NotAnswered, lang)).c_str(),
                      notAnswered);
        std::printf(", %s", line);
    }
    std::printf("\n");
    for (const std::string& r : refused) {
        std::printf("  %s %s\n", std::string(cliText(CliText::RefusedItem, lang)).c_str(),
                    r.c_str());
    }
    if (notAnswered > 0) return kExitFailure; // the device is gone: a connection error
    if (!refused.empty()) return kExitRefused;
    return report.ok() ? kExitOk : kExitFailure;
}

// ---- diff ----

int runDiff(Args args) {
    Prepared p = prepare(args, kDiffUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const fs::path file = profile::pathFromUtf8(p.options->rest[0]);
    if (auto problem = checkReadable(file, lang)) return fail(kDiffUsage, *problem);

    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    const fs::path scratch =
        fs::temp_directory_path() / ("quorvex-diff-" + std::to_string(::getpid()) + ".pro");
    core::SaveResult saved = saveDeviceProfile(session, scratch);
    auto device = profile::IniSnapshot::load(scratch);
    std::error_code ec;
    fs::remove(scratch, ec);
    // Stand-ins for failed queries would show as differences that are none.
    if (!saved.unconfirmed.empty())
        return fail(kDiffUsage, unconfirmedMessage(saved.unconfirmed, lang));
    if (!saved.writes.ok()) return kExitFailure; // the file and the reason are printed
    auto differences =
        diffProfiles(profile::IniSnapshot::load(file), device, session.app().portCount);
    for (const KeyDifference& d : differences) {
        std::printf("%s %s: file=%s device=%s%s%s%s\n", d.section.c_str(), d.key.c_str(),
                    d.fileValue.c_str(), d.deviceValue.c_str(), d.programOnly ? " (" : "",
                    d.programOnly ? std::string(cliText(CliText::NotInDevice, lang)).c_str() : "",
                    d.programOnly ? ")" : "");
    }
    if (differences.empty()) {
        std::printf("%s\n", std::string(cliText(CliText::Equal, lang)).c_str());
        return kExitOk;
    }
    std::printf("%d %s\n", static_cast<int>(differences.size()),
                std::string(cliText(CliText::Differs, lang)).c_str());
    return kExitRefused;
}

} // namespace quorvex::cli
