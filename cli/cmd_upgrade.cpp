// quorvex-cli upgrade: the firmware upgrade of the desktop program's
// "Installing an upgrade" dialog, with the file from the command line, the
// "Firmware Info" confirmation as a question (or --yes) and the progress as a
// line on a terminal.
#include "app/upgrade_host.h"
#include "cli/cli_texts.h"
#include "cli/device_session.h"
#include "cli/subcommand.h"
#include "cli/terminal.h"
#include "maintenance/upgrade.h"
#include "profile/native_text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvex::cli {
namespace {

const Usage kUpgradeUsage{
    "upgrade", "FILE [--yes]",
    "Installs the firmware image FILE (524288 bytes) as the desktop program does:\n"
    "the file is checked before anything is sent; \"Firmware Info\" shows the device\n"
    "and the file, and without --yes a terminal is asked y/N; the settings are saved\n"
    "to the default profile before and loaded back after a successful upgrade. A\n"
    "device that answers only in its boot loader is upgraded at once. The transfer\n"
    "takes about a minute and a half at 115200 baud.\n"
    "Exit status: 0 upgraded; 1 the device reported failure; 2 anything else (no\n"
    "device, a bad file, cancelled, no answer, a transfer the device stopped taking).\n"
    "\n"
    "  --yes             install without asking\n",
    1, 1};

class ConsoleUpgradeUi final : public maintenance::UpgradeUi {
public:
    ConsoleUpgradeUi(std::string file, bool yes, int language)
        : file_(std::move(file)), yes_(yes), language_(language), terminal_(isTerminal(stdout)) {}

    std::optional<std::string> askFirmwareFile(const maintenance::FileDialogSpec&) override {
        if (asked_) return std::nullopt; // a second choice after a failure: the user retries
        asked_ = true;
        return file_;
    }

    bool confirmFirmware(const maintenance::FirmwareComparison& c) override {
        std::printf("%s\n",
                    std::string(maintenance::upgradeText(maintenance::kTextFirmwareInfo, language_))
                        .c_str());
        for (int side = 0; side < 2; ++side) {
            std::printf("%s\n", tableText(side == 0 ? 6198 : 6200, language_).c_str());
            for (int line = 0; line < 3; ++line) {
                std::printf("  %s\n",
                            maintenance::comparisonLine(c, side == 1, line, language_).c_str());
            }
        }
        if (yes_) return true;
        if (!isTerminal(stdin)) {
            std::fprintf(stderr, "quorvex-cli upgrade: %s\n",
                         std::string(cliText(CliText::NotATerminal, language_)).c_str());
            return false;
        }
        std::printf("%s", std::string(cliText(CliText::AskInstall, language_)).c_str());
        std::fflush(stdout);
        char answer[16] = "";
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) return false;
        return answer[0] == 'y' || answer[0] == 'Y' || answer[0] == 'j' || answer[0] == 'J';
    }

    void message(int textId) override {
        ids.push_back(textId);
        endLine();
        std::fprintf(stderr, "quorvex-cli upgrade: %s\n",
                     std::string(maintenance::upgradeText(textId, language_)).c_str());
    }
    void unconfirmedSettings(const std::vector<std::string>& items) override {
        endLine();
        std::fprintf(stderr, "quorvex-cli upgrade: %s\n%s%s\n",
                     tableText(maintenance::kTextUnreadSettings, language_).c_str(),
                     core::listItems(items).c_str(),
                     tableText(maintenance::kTextUnreadNotStarted, language_).c_str());
    }
    void beep() override {}
    void showProgressPanel(bool shown) override {
        if (!shown) endLine();
    }
    void progressCaption(int textId) override {
        endLine();
        caption_ = std::string(maintenance::upgradeText(textId, language_));
        if (!terminal_) std::printf("%s\n", caption_.c_str());
    }
    void progressRange(int maximum) override { maximum_ = maximum > 0 ? maximum : 1; }
    void progressPosition(int position) override {
        if (!terminal_) return;
        constexpr int kWidth = 30;
        int filled = static_cast<int>(static_cast<long long>(position) * kWidth / maximum_);
        filled = filled < 0 ? 0 : filled > kWidth ? kWidth : filled;
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(kWidth, '.');
        std::printf("\r%-50.50s [%s]", caption_.c_str(), bar.c_str());
        std::fflush(stdout);
        drawn_ = true;
    }

    std::vector<int> ids;

private:
    void endLine() {
        if (drawn_) std::printf("\n");
        drawn_ = false;
    }

    std::string file_;
    bool yes_;
    int language_;
    bool terminal_;
    bool asked_ = false;
    bool drawn_ = false;
    std::string caption_;
    int maximum_ = 100;
};

} // namespace

int runUpgrade(Args args) {
    // --yes belongs to this command alone; the rest are the common options.
    std::vector<char*> rest;
    bool yes = false;
    for (char* a : args) {
        if (std::string_view(a) == "--yes") {
            yes = true;
        } else {
            rest.push_back(a);
        }
    }
    Prepared p = prepare(Args(rest.data(), rest.size()), kUpgradeUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    // A file that cannot be opened is named before the device is looked for.
    const std::string& file = p.options->rest[0];
    const std::filesystem::path path = profile::pathFromUtf8(file);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (!exists || !std::filesystem::is_regular_file(path, ec) ||
        !std::ifstream(path, std::ios::binary)) {
        return fail(
            kUpgradeUsage,
            std::string(cliText(CliText::FirmwareMissing, lang)) + " '" + file + "': " +
                std::string(cliText(exists ? CliText::Unreadable : CliText::NoSuchFile, lang)));
    }

    DeviceSession session(lang);
    if (!session.openForUpgrade()) return kExitFailure;
    session.ui().setProgressShown(true);
    ConsoleUpgradeUi ui(file, yes, lang);
    quorvex::app::MainWindowUpgradeHost host(session.main());
    maintenance::FirmwareUpgrade upgrade(session.app(), ui, host, [] {});
    std::printf("%s\n", upgrade.header().c_str());
    switch (upgrade.run()) {
    case maintenance::UpgradeEnd::Success:
        return kExitOk;
    case maintenance::UpgradeEnd::NotStarted: // the reason has been printed
        return kExitFailure;
    case maintenance::UpgradeEnd::Cancelled:
        std::fprintf(stderr, "quorvex-cli upgrade: %s\n",
                     std::string(cliText(CliText::UpgradeCancelled, lang)).c_str());
        return kExitFailure;
    case maintenance::UpgradeEnd::Quit:
        break;
    }
    // The device stopped taking the image: a line that failed, not a device
    // that refused it.
    if (std::find(ui.ids.begin(), ui.ids.end(), maintenance::kTextTransferStopped) != ui.ids.end())
        return kExitFailure;
    for (int id : ui.ids) {
        if (id == maintenance::kTextFailRetry || id == maintenance::kTextFailQuit) {
            return kExitRefused;
        }
    }
    return kExitFailure;
}

} // namespace quorvex::cli
