#include "maintenance/upgrade.h"

#include "core/detection.h"
#include "core/page.h"
#include "resources/text_table.h"

#include <algorithm>
#include <array>

namespace quorvex::maintenance {

namespace {

struct DialogRow {
    int modelNumber; // 0: any other (also not identified)
    bool usb;
    const char* filter;
    const char* extension;
};
constexpr std::array<DialogRow, 4> kDialogs = {{
    {70, true, "RomFile (*.r7u)|*.r7u|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r7u"},
    {70, false,
     "RomFile (*.r70)|*.r70|RomFile (*.r*)|*.r*|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r70"},
    {30, false,
     "RomFile (*.r30)|*.r30|RomFile (*.r*)|*.r*|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r30"},
    {0, false, "RomFile (*.r?0)|*.r?0|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r?0"},
}};

int refusalText(FirmwareCheck check) {
    switch (check) {
    case FirmwareCheck::WrongSize:
        return kTextFileWrongSize;
    case FirmwareCheck::WrongModel:
        return kTextFileWrongModel;
    default:
        return kTextFileUnreadable;
    }
}

} // namespace

std::string_view upgradeText(int id, int language) {
    return text::get(id, language);
}

FileDialogSpec upgradeFileDialog(bool identified, int modelNumber, bool usb) {
    const DialogRow* row = &kDialogs.back();
    if (identified) {
        for (const DialogRow& r : kDialogs) {
            if (r.modelNumber == modelNumber && (modelNumber != 70 || r.usb == usb)) {
                row = &r;
                break;
            }
        }
    }
    return {row->filter, row->extension, std::string("*.") + row->extension};
}

std::string comparisonLine(const FirmwareComparison& c, bool file, int line, int language) {
    switch (line) {
    case 0:
        return std::string(text::get(6298, language)) + " : " +
               (file ? c.fileModel : c.deviceModel);
    case 1:
        return "Firmware: " + (file ? c.fileFirmware : c.deviceFirmware);
    default:
        return "BootCode: " + (file ? c.fileBootCode : c.deviceBootCode);
    }
}

FirmwareUpgrade::FirmwareUpgrade(core::CConfigApp& app, UpgradeUi& ui, UpgradeHost& host,
                                 std::function<void()> processEvents)
    : app_(app), ui_(ui), host_(host), processEvents_(std::move(processEvents)) {
    if (!processEvents_) processEvents_ = [] {};
}

std::string FirmwareUpgrade::header() const {
    core::Identity id;
    id.identified = app_.identified;
    id.modelNumber = app_.modelNumber;
    id.usbVariant = app_.usbVariant;
    id.firmwareText = app_.firmwareText;
    id.bootCodeText = app_.bootCodeText;
    return core::upgradeHeader(id);
}

int32_t FirmwareUpgrade::wrapped(uint16_t code) {
    DRVPARAM r{};
    return app_.SendDrvCmd(code, &r);
}

int32_t FirmwareUpgrade::direct(uint16_t code, int32_t port) {
    DRVPARAM r{};
    r.nPort = port;
    return app_.callDriver(code, &r);
}

void FirmwareUpgrade::waitMs(std::int64_t ms) {
    core::Clock& clock = app_.clock();
    const std::int64_t deadline = clock.now() + ms;
    for (std::int64_t left = ms; left > 0; left = deadline - clock.now()) {
        processEvents_();
        clock.sleep(std::min(left, kWaitSliceMs));
    }
    processEvents_();
}

// The bar runs 0..100, one step each stepMs, measured from the start so that
// slow painting does not stretch the wait the device needs.
void FirmwareUpgrade::timedProgress(std::int64_t totalMs, std::int64_t stepMs) {
    core::Clock& clock = app_.clock();
    const std::int64_t start = clock.now();
    const int steps = static_cast<int>(totalMs / stepMs);
    ui_.progressRange(100);
    ui_.progressPosition(0);
    for (int i = 1; i <= steps; ++i) {
        waitMs(start + i * stepMs - clock.now());
        ui_.progressPosition(i * 100 / steps);
    }
}

std::optional<FirmwareFile> FirmwareUpgrade::chooseFile() {
    const FileDialogSpec spec =
        upgradeFileDialog(app_.identified, app_.modelNumber, app_.usbVariant);
    for (;;) {
        std::optional<std::string> path = ui_.askFirmwareFile(spec);
        if (!path) return std::nullopt;
        FirmwareFile file = loadFirmwareFile(*path);
        if (file.check == FirmwareCheck::Ok) return file;
        // Refused before anything reaches the device; the user may pick another file.
        ui_.message(refusalText(file.check));
    }
}

UpgradeEnd FirmwareUpgrade::quit() {
    host_.postCommand(menus::kCmdQuit);
    return UpgradeEnd::Quit;
}

// The heartbeat is stopped while the dialog is open, so the connection state
// may be old: a device the heartbeat lost is asked once more before the
// upgrade is refused. A device in its boot loader is not expected to answer.
bool FirmwareUpgrade::connectedNow() {
    if (app_.bootLoaderFound || app_.connected) return true;
    return answersNow();
}

bool FirmwareUpgrade::answersNow() {
    app_.connected = direct(DRV_PING2) == 1;
    return app_.connected;
}

// Returns false when the upgrade must end (the message has been shown).
bool FirmwareUpgrade::callCheck() {
    const int32_t r = wrapped(DRV_CALLCHECK);
    // 1 is idle; -1 no answer, -2 the wrapper found no connection, 0 a call.
    if (r != 1) {
        ui_.message(r == 0 ? kTextCallExists : kTextNoResponse);
        ui_.showProgressPanel(false);
        return false;
    }
    return true;
}

UpgradeEnd FirmwareUpgrade::run() {
    // The run owns the line: the waits let the window paint, but no posted
    // read, page timer or heartbeat tick reaches the device meanwhile.
    core::HeartbeatPause quiet(app_);
    if (app_.soundOn) ui_.beep();
    if (!connectedNow()) {
        // Neither the settings nor the image could reach the device.
        ui_.message(kTextNotConnected);
        return UpgradeEnd::NotStarted;
    }
    std::optional<FirmwareFile> file = chooseFile();
    if (!file) return quit();

    for (;;) {
        const FirmwareComparison comparison{app_.deviceName,        app_.firmwareText,
                                            app_.bootCodeText,      file->info.modelName,
                                            file->info.versionText, file->info.bootCodeText};
        if (!ui_.confirmFirmware(comparison)) return UpgradeEnd::Cancelled;

        // The settings survive the upgrade only through the default profile,
        // which is loaded into the device afterwards: it must hold the
        // device's own values, never stand-ins for queries that failed.
        if (!app_.bootLoaderFound && app_.identified) {
            // The device may have been switched off since the dialog opened:
            // asked once, whatever the connection state says, so that a save
            // does not wait out the time-out of every query.
            if (!answersNow()) {
                ui_.message(kTextNotConnected);
                return UpgradeEnd::NotStarted;
            }
            const core::SaveResult saved = host_.saveDefaultProfile();
            if (!saved.unconfirmed.empty()) {
                ui_.unconfirmedSettings(saved.unconfirmed);
                return UpgradeEnd::NotStarted;
            }
            if (!saved.ok()) {
                ui_.message(kTextSettingsNotSaved);
                return UpgradeEnd::Cancelled;
            }
        }
        processEvents_();

        if (app_.bootLoaderFound) {
            // The loader is already listening: no test, no reset.
            ui_.showProgressPanel(true);
            host_.forgetDevice();
        } else {
            ui_.progressCaption(kTextCaptionTest);
            ui_.showProgressPanel(true);
            ui_.progressRange(100);
            ui_.progressPosition(0);
            if (app_.identified && !callCheck()) return quit();
            ui_.progressPosition(100);
            waitMs(kAfterTestWaitMs);
            if (app_.identified) {
                host_.forgetDevice();
                wrapped(DRV_DOWNLOAD);
                ui_.progressCaption(kTextCaptionReset);
                // The device restarts into its loader meanwhile.
                timedProgress(kResetWaitMs, kResetStepMs);
            }
        }

        const UpgradeEnd end = transferAndOutcome(*file);
        if (end != UpgradeEnd::Cancelled) return end;

        // The loader still answers: another file, straight back to the confirmation.
        file = chooseFile();
        if (!file) return quit();
    }
}

bool FirmwareUpgrade::sendImage(const FirmwareFile& file) {
    ui_.progressCaption(kTextCaptionSend);
    ui_.progressRange(static_cast<int>(kFirmwareBlockCount));
    ui_.progressPosition(0);
    // The loader takes the blocks back to back, without any answer; a block
    // the line did not take means the device stopped reading (flow control
    // held, switched off): every later block would wait out its write bound.
    for (std::size_t block = 0; block < kFirmwareBlockCount; ++block) {
        DRVPARAM r{};
        drv_set_write_data(&r, file.bytes.data() + block * kFirmwareBlockSize,
                           static_cast<int32_t>(kFirmwareBlockSize));
        if (app_.SendDrvCmd(DRV_WRITERAW, &r) != 1) return false;
        ui_.progressPosition(static_cast<int>(block + 1));
        processEvents_();
    }
    return true;
}

// Cancelled here means: failed, the loader still answers, try another file.
UpgradeEnd FirmwareUpgrade::transferAndOutcome(FirmwareFile& file) {
    const bool sent = sendImage(file);
    waitMs(kAfterSendWaitMs);
    if (sent) {
        ui_.progressCaption(kTextCaptionClose);
        timedProgress(kCloseWaitMs, kCloseStepMs);
    } else {
        // Nothing to wait for: the device did not get the image whole. Its
        // outcome is asked all the same, as after any failed transfer.
        ui_.message(kTextTransferStopped);
    }
    processEvents_();

    int32_t outcome = direct(DRV_DOWNLOADRESULT);
    // A success for an image that did not arrive whole cannot be trusted.
    if (!sent && outcome == 3) outcome = 1;
    if (outcome == 3) {
        app_.bootLoaderFound = false;
        DRVPARAM speed{};
        speed.nValue = DRV_SPEED_115200;
        app_.SendDrvCmd(DRV_SETSPEED, &speed);
        wrapped(DRV_CLOSE);
        const bool back = direct(DRV_REOPEN) == 0;
        if (back) {
            app_.connected = true;
            host_.identity();
        } else {
            app_.resetIdentity();
            app_.connected = false;
        }
        ui_.showProgressPanel(false);
        ui_.message(kTextSuccess);
        if (back) {
            host_.loadDefaultProfile();
        } else {
            ui_.message(kTextReopenFailed);
        }
        return UpgradeEnd::Success;
    }
    if (outcome == 2) {
        ui_.showProgressPanel(false);
        if (direct(DRV_BOOTPROBE2, app_.portIndex) == 2) {
            ui_.message(kTextFailRetry);
            app_.bootLoaderFound = true;
            return UpgradeEnd::Cancelled;
        }
    }
    app_.bootLoaderFound = false;
    ui_.message(kTextFailQuit);
    return quit();
}

} // namespace quorvex::maintenance
