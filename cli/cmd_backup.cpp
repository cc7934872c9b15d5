// quorvex-cli backup / restore / diff: the main window's "Save Profile As..."
// and "Load Profile..." over every page, and a comparison of the device with
// a profile file.
#include "cli/cli_texts.h"
#include "cli/device_session.h"
#include "cli/profile_diff.h"
#include "cli/subcommand.h"
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
    "restore", "FILE",
    "Loads the profile FILE into the device as \"Load Profile...\" does: data callback,\n"
    "settings, then the pages MSN, call acceptance, short dial, forwarding, call\n"
    "filter, data, LCR and timer, each section sent whole. Prints how many items were\n"
    "sent, confirmed and refused, and every refused item by its command text; an\n"
    "item that could not be sent at all (too long for the device, not a time, a\n"
    "data value out of its range) counts as refused too.\n"
    "Exit status: 0 every item confirmed; 1 the device refused items; 2 no device\n"
    "or FILE unreadable.\n",
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

// A fresh file beside target for the save; the save goes there and is renamed
// over target only when every key was written, so a failed backup never
// spoils an old one and no key of an older profile lingers in the new one.
fs::path scratchBeside(const fs::path& target) {
    fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    fs::path name = ".";
    name += target.filename();
    name += ".tmp" + std::to_string(::getpid());
    return dir / name;
}

// The device's profile written into file through the main window's save;
// nothing is written when the device did not answer for every item.
core::SaveResult saveDeviceProfile(DeviceSession& session, const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
    session.setProfileFile(file);
    return session.main().profileSave(core::kCurrentProfile, fileNameOf(file),
                                      core::Unconfirmed::Refuse);
}

} // namespace

int runBackup(Args args) {
    Prepared p = prepare(args, kBackupUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const fs::path target = profile::pathFromUtf8(p.options->rest[0]);

    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    session.ui().setProgressShown(true);
    const fs::path scratch = scratchBeside(target);
    core::SaveResult saved = saveDeviceProfile(session, scratch);
    std::error_code ec;
    if (!saved.unconfirmed.empty()) {
        // A backup of stand-ins would restore defaults over the user's settings.
        fs::remove(scratch, ec);
        return fail(kBackupUsage, unconfirmedMessage(saved.unconfirmed, lang), kExitRefused);
    }
    if (!saved.writes.ok()) {
        fs::remove(scratch, ec);
        return fail(kBackupUsage, "'" + profile::utf8Of(target) + "' " +
                                      std::string(cliText(CliText::WriteFailed, lang)) + "\n" +
                                      saved.writes.describe());
    }
    fs::rename(scratch, target, ec);
    if (ec) {
        fs::remove(scratch, ec);
        return fail(kBackupUsage, "'" + profile::utf8Of(target) + "': " + ec.message());
    }
    std::printf("%s: %s\n", profile::utf8Of(target).c_str(),
                std::string(cliText(CliText::Saved, lang)).c_str());
    return kExitOk;
}

// ---- restore ----

int runRestore(Args args) {
    Prepared p = prepare(args, kRestoreUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const fs::path file = profile::pathFromUtf8(p.options->rest[0]);
    if (auto problem = checkReadable(file, lang)) return fail(kRestoreUsage, *problem);

    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    session.ui().setProgressShown(true);
    session.setProfileFile(fs::absolute(file));
    session.startRecording();
    core::WriteReport report = session.main().profileLoad(core::kCurrentProfile, fileNameOf(file));
    std::vector<Exchange> sent = session.takeRecording();

    // An item the driver confirmed can still be refused by the device's answer
    // (forwarding not subscribed, say): the reports say which, by command text.
    Refusals refusals = reportedRefusals(session.main());
    int confirmed = 0;
    std::vector<std::string> refused;
    for (const Exchange& e : sent) {
        const auto word = refusals.take(e.command);
        if (e.confirmed() && !word) {
            ++confirmed;
            continue;
        }
        std::string why = e.result != 0 ? "no reply"
                          : e.ok != 1   ? "no OK"
                                        : std::string(core::reportWord(*word));
        refused.push_back(
            (e.command.empty() ? "(command " + std::to_string(e.code) + ")" : e.command) + "," +
            why);
    }
    for (const std::string& item : refusals.unsent)
        refused.push_back(item + ",not sent");
    char line[160];
    std::snprintf(line, sizeof line, std::string(cliText(CliText::Summary, lang)).c_str(),
                  static_cast<int>(sent.size()), confirmed, static_cast<int>(refused.size()));
    std::printf("%s\n", line);
    for (const std::string& r : refused) {
        std::printf("  %s %s\n", std::string(cliText(CliText::RefusedItem, lang)).c_str(),
                    r.c_str());
    }
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
    if (!saved.writes.ok()) {
        return fail(kDiffUsage, std::string(cliText(CliText::WriteFailed, lang)) + "\n" +
                                    saved.writes.describe());
    }
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
