// quorvex-cli charges / log / clear-charges / clear-log / dial / store: the
// charges page, the log book and the quit's store command, without windows.
#include "cli/cli_texts.h"
#include "cli/device_session.h"
#include "cli/subcommand.h"
#include "maintenance/log_page.h"
#include "pages/data/charge_page.h"
#include "pages/data/charge_parse.h"

#include <array>
#include <cstdio>

namespace quorvex::cli {
namespace {

const Usage kChargesUsage{"charges", "",
                          "Prints the charge counters: per port the last call, the current call\n"
                          "and the sum, and the total, with the device's currency.\n"
                          "Exit status: 0 printed; 2 no device.\n",
                          0, 0};
const Usage kLogUsage{
    "log", "PORT",
    "Prints the three call lists (outgoing, incoming, unanswered) of PORT\n"
    "(11, 21, 22, 31, 32 or data).\nExit status: 0 printed; 2 no device or a bad PORT.\n",
    1, 1};
const Usage kClearChargesUsage{
    "clear-charges", "PORT|total",
    "Clears the sum of PORT (11, 21, 22, 31, 32 or data) or the total. The total is\n"
    "cleared without the program's question: the command line is the answer.\n"
    "Exit status: 0 cleared; 1 the device refused; 2 no device or a bad PORT.\n",
    1, 1};
const Usage kClearLogUsage{
    "clear-log", "PORT LIST|all",
    "Clears a call list of PORT: LIST is outgoing, incoming, unanswered (or 0, 1, 2),\n"
    "or all for the three.\n"
    "Exit status: 0 cleared; 1 the device refused; 2 no device or bad arguments.\n",
    2, 2};
const Usage kDialUsage{"dial", "PORT NUMBER",
                       "Lets the device dial NUMBER on PORT (command 46), as the log book's\n"
                       "dial-back does.\n"
                       "Exit status: 0 the device took it; 1 it refused; 2 no device or bad\n"
                       "arguments.\n",
                       2, 2};
const Usage kStoreUsage{
    "store", "",
    "Has the device store its settings permanently (command 6, \"AT&W\"; about\n"
    "5 seconds), as the desktop program does when it quits.\n"
    "Exit status: 0 stored; 1 the device refused; 2 no device.\n",
    0, 0};

// What the dial record's text holds.
constexpr std::size_t kMaxDialLength = 31;
// The charges' columns, in characters.
constexpr std::size_t kLabelWidth = 16;
constexpr std::size_t kChargeWidth = 14;

constexpr std::array<std::string_view, maintenance::kLogPortCount> kPortNames = {
    "11", "21", "22", "31", "32", "data"};

// The column (0..5) of a port name, -1 when it is none or the model lacks it.
int portColumn(std::string_view name, int portCount) {
    for (std::size_t i = 0; i < kPortNames.size(); ++i) {
        if (kPortNames[i] != name) continue;
        int column = static_cast<int>(i);
        if (column < 5 && column >= portCount) return -1;
        return column;
    }
    return -1;
}

// Opens the device with only page index built and shown once.
core::Page* openPage(DeviceSession& session, int index) {
    session.onlyPage(index);
    if (!session.open()) return nullptr;
    return session.main().page(index);
}

int outcome(const Usage& usage, const std::vector<Exchange>& sent, int lang) {
    bool done = !sent.empty();
    for (const Exchange& e : sent)
        done = done && e.confirmed();
    if (!done) return fail(usage, std::string(cliText(CliText::DeviceRefused, lang)), kExitRefused);
    std::printf("%s\n", std::string(cliText(CliText::Cleared, lang)).c_str());
    return kExitOk;
}

} // namespace

int runCharges(Args args) {
    Prepared p = prepare(args, kChargesUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    DeviceSession session(lang);
    auto* page = dynamic_cast<data::ChargePage*>(openPage(session, menus::kChargesPage));
    if (page == nullptr) return kExitFailure;
    page->readAll();
    constexpr std::array<CliText, data::kChargeRows> kRows = {CliText::RowLastCall,
                                                              CliText::RowCurrent, CliText::RowSum};
    // Columns by characters: a port named "Küche" is as wide as one named "Kuche".
    std::string head = column("", kLabelWidth);
    for (int c = 0; c < data::kChargeColumns; ++c) {
        if (page->columnShown(c)) head += " " + column(page->portName(c), kChargeWidth, true);
    }
    std::printf("%s\n", head.c_str());
    for (int r = 0; r < data::kChargeRows; ++r) {
        std::string line = column(cliText(kRows[std::size_t(r)], lang), kLabelWidth);
        for (int c = 0; c < data::kChargeColumns; ++c) {
            if (page->columnShown(c)) {
                line += " " + column(page->cellText(static_cast<data::ChargeRowKind>(r), c),
                                     kChargeWidth, true);
            }
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("%s %s\n", column(cliText(CliText::Total, lang), kLabelWidth).c_str(),
                column(page->totalText(), kChargeWidth, true).c_str());
    return kExitOk;
}

int runLog(Args args) {
    Prepared p = prepare(args, kLogUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    DeviceSession session(lang);
    auto* page = dynamic_cast<maintenance::LogPage*>(openPage(session, menus::kLogPage));
    if (page == nullptr) return kExitFailure;
    const int port = portColumn(p.options->rest[0], session.app().portCount);
    if (port < 0) return usageError(kLogUsage, std::string(cliText(CliText::BadPort, lang)));
    page->portButton(maintenance::kLogFirstPortButton + port);
    if (port == 0) page->readDevice(); // port 11 is selected already: read it
    constexpr std::array<CliText, maintenance::kLogListCount> kLists = {
        CliText::ListOutgoing, CliText::ListIncoming, CliText::ListUnanswered};
    for (int l = 0; l < maintenance::kLogListCount; ++l) {
        std::printf("%s (%s %s):\n", std::string(cliText(kLists[std::size_t(l)], lang)).c_str(),
                    tr(lang, "port", "Anschluss"), page->portLabel(port).c_str());
        const maintenance::LogList& list = page->list(port, l);
        if (list.count == 0) {
            std::printf("  %s\n", std::string(cliText(CliText::Empty, lang)).c_str());
        }
        for (int e = 0; e < list.count; ++e) {
            // The page's own cells: a port's name for its code, the charge as
            // the charges page and the desktop program show it ("DM 0,36").
            auto cell = [&](int first) { return page->cellText(first + 10 * l + e); };
            std::string line = "  " + column(cell(maintenance::kLogDateCell), 20) + " " +
                               column(cell(maintenance::kLogNumberCell), 24) + " " +
                               column(cell(maintenance::kLogStatusCell), 10);
            if (l == 0) line += " " + page->cellText(maintenance::kLogChargeCell + e);
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            std::printf("%s\n", line.c_str());
        }
    }
    return kExitOk;
}

int runClearCharges(Args args) {
    Prepared p = prepare(args, kClearChargesUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    DeviceSession session(lang);
    auto* page = dynamic_cast<data::ChargePage*>(openPage(session, menus::kChargesPage));
    if (page == nullptr) return kExitFailure;
    const std::string& which = p.options->rest[0];
    session.ui().setYesNoAnswer(true); // the command line asked already
    session.startRecording();
    if (which == "total") {
        page->clearTotal();
    } else {
        const int column = portColumn(which, session.app().portCount);
        if (column < 0) {
            return usageError(kClearChargesUsage, std::string(cliText(CliText::BadPort, lang)));
        }
        page->clearPortSum(column);
    }
    return outcome(kClearChargesUsage, session.takeRecording(), lang);
}

int runClearLog(Args args) {
    Prepared p = prepare(args, kClearLogUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    static constexpr std::array<std::string_view, 4> kListWords = {"outgoing", "incoming",
                                                                   "unanswered", "all"};
    static constexpr std::array<std::string_view, 4> kListDigits = {"0", "1", "2", "all"};
    int list = -1;
    for (std::size_t i = 0; i < kListWords.size(); ++i) {
        if (p.options->rest[1] == kListWords[i] || p.options->rest[1] == kListDigits[i]) {
            list = static_cast<int>(i);
        }
    }
    if (list < 0) return usageError(kClearLogUsage, std::string(cliText(CliText::BadList, lang)));
    DeviceSession session(lang);
    auto* page = dynamic_cast<maintenance::LogPage*>(openPage(session, menus::kLogPage));
    if (page == nullptr) return kExitFailure;
    const int column = portColumn(p.options->rest[0], session.app().portCount);
    if (column < 0) {
        return usageError(kClearLogUsage, std::string(cliText(CliText::BadPort, lang)));
    }
    page->portButton(maintenance::kLogFirstPortButton + column);
    session.startRecording();
    page->clearButton(maintenance::kLogFirstClearButton + list);
    return outcome(kClearLogUsage, session.takeRecording(), lang);
}

int runDial(Args args) {
    Prepared p = prepare(args, kDialUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    const std::string& number = p.options->rest[1];
    bool good = !number.empty();
    for (char c : number)
        good = good && ((c >= '0' && c <= '9') || c == '*' || c == '#');
    if (!good) return usageError(kDialUsage, std::string(cliText(CliText::BadNumber, lang)));
    if (number.size() > kMaxDialLength)
        return usageError(kDialUsage, tooLongNumber(number, kMaxDialLength, lang));
    DeviceSession session(lang);
    if (!session.open()) return kExitFailure;
    const int column = portColumn(p.options->rest[0], session.app().portCount);
    if (column < 0) return usageError(kDialUsage, std::string(cliText(CliText::BadPort, lang)));
    // The record the log book's dial-back sends.
    DRVPARAM r{};
    r.nPort = maintenance::kLogPortValues[static_cast<std::size_t>(column)];
    core::setFieldText(r.szText, number);
    std::printf("%s %s\n", std::string(cliText(CliText::Dialling, lang)).c_str(), number.c_str());
    // The device answers twice; the driver returns whether the second answer
    // came and parses neither.
    if (session.app().SendDrvCmd(DRV_DIAL, &r) != 0) {
        return fail(kDialUsage, std::string(cliText(CliText::DeviceRefused, lang)), kExitRefused);
    }
    return kExitOk;
}

int runStore(Args args) {
    Prepared p = prepare(args, kStoreUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    DeviceSession session(lang);
    session.onlyPage(-1);
    if (!session.open()) return kExitFailure;
    if (session.app().SendDrvCmd(DRV_STORE, nullptr) != 0) {
        return fail(kStoreUsage, std::string(cliText(CliText::DeviceRefused, lang)), kExitRefused);
    }
    std::printf("%s\n", std::string(cliText(CliText::Stored, lang)).c_str());
    return kExitOk;
}

} // namespace quorvex::cli
