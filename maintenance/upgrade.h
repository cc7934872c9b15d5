#pragma once
// The firmware upgrade ("Installing an upgrade", button 5014) without a
// widget: choose and check the file, confirm, save the settings, put the
// device into its loader, stream the image, read the outcome, reconnect and
// load the settings back. The dialog's widget implements UpgradeUi; the main
// window is reached through UpgradeHost; every wait runs on the program's
// clock and calls processEvents between its steps so the window stays drawn.

#include "core/config_app.h"
#include "maintenance/firmware_file.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::maintenance {

// The upgrade's own texts in the shared text table (the device's terse
// messages and the checks of the file), English id + language.
enum UpgradeTextId : int {
    kTextNoResponse = 9900, // "TA has no response, Terminate Update !!"
    kTextCallExists = 9902, // "Call Exist, Terminate Update !!"
    kTextFileUnreadable = 9904,
    kTextFileWrongSize = 9906,
    kTextFileWrongModel = 9908,
    kTextSettingsNotSaved = 9910,
    kTextFirmwareInfo = 9912, // the confirmation's caption, "Firmware Info"
    kTextReopenFailed = 9914,
    kTextUnreadSettings = 9916, // "These settings could not be read from the modem:"
    kTextUnreadNotStarted = 9920,
    kTextNotConnected = 9922,
    kTextTransferStopped = 9924, // the device stopped taking the image
};
std::string_view upgradeText(int id, int language);

// Progress captions and messages from the shared table.
inline constexpr int kTextCaptionTest = 6184;
inline constexpr int kTextCaptionReset = 6186;
inline constexpr int kTextCaptionSend = 6188;
inline constexpr int kTextCaptionClose = 6190;
inline constexpr int kTextSuccess = 6192;
inline constexpr int kTextFailRetry = 9064; // the loader still answers: choose a file again
inline constexpr int kTextFailQuit = 9066;  // power-cycle the device and start again

// The open-file dialog for the model: filter (Windows form "Name (*.x)|*.x|...||"),
// default extension, and the initial name "*." + extension.
struct FileDialogSpec {
    std::string filter;
    std::string defaultExtension;
    std::string initialName;
};
FileDialogSpec upgradeFileDialog(bool identified, int modelNumber, bool usb);

// What the "Firmware Info" dialog shows: the device and the file, side by side.
struct FirmwareComparison {
    std::string deviceModel, deviceFirmware, deviceBootCode;
    std::string fileModel, fileFirmware, fileBootCode;
};
// Its six lines: "Model : name", "Firmware: x", "BootCode: y" (model label by language).
std::string comparisonLine(const FirmwareComparison& c, bool file, int line, int language);

class UpgradeUi {
public:
    virtual ~UpgradeUi() = default;
    // The full path, nullopt when cancelled.
    virtual std::optional<std::string> askFirmwareFile(const FileDialogSpec& spec) = 0;
    // "Install Upgrade" = true, "Cancel" = false.
    virtual bool confirmFirmware(const FirmwareComparison& comparison) = 0;
    virtual void message(int textId) = 0; // upgradeText(textId, language) in a message box
    // The settings the device did not confirm ("SECTION/KEY"), so the upgrade
    // did not start: text 9916, the items, then text 9920.
    virtual void unconfirmedSettings(const std::vector<std::string>& items) = 0;
    virtual void beep() = 0;
    virtual void showProgressPanel(bool shown) = 0;
    virtual void progressCaption(int textId) = 0;
    virtual void progressRange(int maximum) = 0;
    virtual void progressPosition(int position) = 0;
};

// The main window as the upgrade meets it.
class UpgradeHost {
public:
    virtual ~UpgradeHost() = default;
    // Profile save to "default.pro" (selector 0) of what the device confirmed;
    // nothing is written when any item is not confirmed.
    virtual core::SaveResult saveDefaultProfile() = 0;
    virtual void loadDefaultProfile() = 0; // profile load from "default.pro" (selector 0)
    // The device is about to take new firmware, which may come up with its
    // factory settings: nothing the program holds as the device's counts any more.
    virtual void forgetDevice() = 0;
    // The identity message after the restart (command 31), and pages for the
    // model before its settings are loaded back.
    virtual void identity() = 0;
    virtual void postCommand(int command) = 0;
};

enum class UpgradeEnd {
    NotStarted, // refused before anything reached the device: the dialog stays open
    Success,    // dialog result 1
    Cancelled,  // "Cancel" in Firmware Info (or the settings could not be saved): the program goes
                // on
    Quit,       // 2153 posted to the main window: the program ends
};

// Waits and progress figures.
inline constexpr std::int64_t kResetWaitMs = 15000;
inline constexpr std::int64_t kResetStepMs = 150;
inline constexpr std::int64_t kCloseWaitMs = 12000;
inline constexpr std::int64_t kCloseStepMs = 120;
inline constexpr std::int64_t kAfterTestWaitMs = 80;
inline constexpr std::int64_t kAfterSendWaitMs = 50;
// How long one wait sleeps before it lets the window paint again.
inline constexpr std::int64_t kWaitSliceMs = 20;

class FirmwareUpgrade {
public:
    FirmwareUpgrade(core::CConfigApp& app, UpgradeUi& ui, UpgradeHost& host,
                    std::function<void()> processEvents);

    // The line at control 1496 for the current identity.
    std::string header() const;

    // Button 5014. Result 1 for Success, else 2.
    UpgradeEnd run();
    static int dialogResult(UpgradeEnd end) { return end == UpgradeEnd::Success ? 1 : 2; }

private:
    std::optional<FirmwareFile> chooseFile();
    UpgradeEnd quit();
    bool connectedNow();
    bool answersNow();
    bool callCheck();
    UpgradeEnd transferAndOutcome(FirmwareFile& file);
    // False at the first block the line did not take.
    bool sendImage(const FirmwareFile& file);
    void timedProgress(std::int64_t totalMs, std::int64_t stepMs);
    void waitMs(std::int64_t ms);
    int32_t wrapped(uint16_t code);
    int32_t direct(uint16_t code, int32_t port = 0);

    core::CConfigApp& app_;
    UpgradeUi& ui_;
    UpgradeHost& host_;
    std::function<void()> processEvents_;
};

} // namespace quorvex::maintenance
