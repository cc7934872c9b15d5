// quorvex-cli check: the check of the device the desktop program's Help menu
// offers ("Check the device..."): every query the program makes, once each,
// judged; the summary on stdout and, with --report, the report to send.
#include "check/check_report.h"
#include "check/device_check.h"
#include "cli/console_ui.h"
#include "cli/device_session.h"
#include "cli/subcommand.h"
#include "cli/terminal.h"
#include "driver/api/r70com32.h"
#include "profile/atomic_file.h"
#include "profile/native_text.h"
#include "resources/text_table.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::cli {
namespace {

constexpr int kTextChecking = 10194;
constexpr int kTextSaved = 10200;
constexpr int kTextNotSaved = 10202;

const Usage kCheckUsage{
    "check", "[--report FILE] [--unmasked]",
    "Checks the device against what the program expects of it: identifies it, then\n"
    "makes every query the program ever makes, once each, and judges each reply (its\n"
    "OK line, its form, its value, its timing against the waits of the driver).\n"
    "Only queries are sent: nothing in the device changes. Prints \"conforms\" or\n"
    "the findings, grouped. The report holds the program, the system, the port, the\n"
    "device, the findings and every exchange byte for byte, as plain text to read\n"
    "and send; phone numbers in it keep only their length and last two digits.\n"
    "Exit status: 0 conforms; 1 findings; 2 no device, or the report not written.\n"
    "\n"
    "  --report FILE     write the report into FILE\n"
    "  --unmasked        keep the phone numbers in the report whole\n",
    0, 0};

} // namespace

int runCheck(Args args) {
    // --report FILE and --unmasked belong to this command; the rest are the common options.
    std::vector<char*> rest;
    std::string reportFile;
    bool unmasked = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "--unmasked") {
            unmasked = true;
        } else if (a == "--report") {
            if (i + 1 >= args.size() || std::string_view(args[i + 1]).empty())
                return usageError(kCheckUsage, "--report needs a file");
            reportFile = args[++i];
        } else {
            rest.push_back(args[i]);
        }
    }
    Prepared p = prepare(Args(rest.data(), rest.size()), kCheckUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    // A folder, a device or a FIFO in the report's place is found before the check.
    if (!reportFile.empty()) {
        if (auto refused = profile::replacementRefusal(profile::pathFromUtf8(reportFile))) {
            return fail(kCheckUsage,
                        text::fill(text::get(kTextNotSaved, lang), {reportFile, *refused}));
        }
    }
    // Into a pipe or a log: the line of the start; the summary is that of the end.
    if (!isTerminal(stdout))
        std::printf("%s\n", std::string(text::get(kTextChecking, lang)).c_str());

    check::DeviceCheck check(D_SendDrvCmd, {D_WatchLine, D_TakeExchange, D_LineAdapter});
    const bool found = check.start(true);
    // The progress line every long command draws (a Windows console too).
    ConsoleUi ui(lang);
    ui.setProgressShown(true);
    if (found) {
        ui.progressOpen(kTextChecking, "", check.total());
        while (check.next())
            ui.progressPosition(check.done());
        ui.progressPosition(check.done());
        ui.progressClose();
    }
    const check::CheckRun run = check.finish();
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    if (!found) {
        printNoDevice(lang);
        return kExitFailure;
    }
    std::printf("%s", check::checkSummary(run, unmasked, lang).c_str());
    if (!reportFile.empty()) {
        const check::CheckContext context =
            check::checkContext("quorvex-cli", &cliPorts(), run.identity.portIndex);
        const std::string report = check::checkReport(run, context, unmasked, lang);
        // The argument is UTF-8 (on Windows from the wide command line).
        if (auto why = profile::replaceFileAtomically(profile::pathFromUtf8(reportFile), report)) {
            return fail(kCheckUsage,
                        text::fill(text::get(kTextNotSaved, lang), {reportFile, *why}));
        }
        std::printf("%s\n", text::fill(text::get(kTextSaved, lang), {reportFile}).c_str());
    }
    return run.conforms() ? kExitOk : kExitRefused;
}

} // namespace quorvex::cli
