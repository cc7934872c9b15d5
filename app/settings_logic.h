#pragma once
// The settings dialog without a widget: the program's language and sound and
// the five device-wide settings (display language, charge per unit, local
// area code, PABX predial, international predial). It opens with the main
// window's values (read from the device just before), validates every change
// the user makes to a text field, and on OK applies what changed; Cancel
// applies nothing.
//
// The widget (CSettingsDlg) shows text(id) / checked(id), hands each user edit
// to userEdited(id, text) (not its own filling of the fields), the check
// boxes to setChecked, the flag picker to chooseLanguage, and OK / Cancel /
// the close box to ok() / cancel().

#include "app/main_window_logic.h"
#include "core/device_settings.h"
#include "core/page_items.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::app {

// Control identifiers.
inline constexpr int kSoundCheck = 1476;
inline constexpr int kLcdGermanCheck = 2350;
inline constexpr int kChargeUnitEdit = 2352;
inline constexpr int kAreaCodeEdit = 2353;
inline constexpr int kPabxPrefixEdit = 2354;
inline constexpr int kIntlPrefixEdit = 2355;
inline constexpr int kPortLabel = 1484;
inline constexpr int kPortChoice = 1485; // our own: the port the search tries first
inline constexpr int kSettingsOk = 1053;
inline constexpr int kSettingsCancel = 2;

// Which string each text of the dialog shows (English id; the shown language
// is added). Control 0 is the caption.
struct SettingsText {
    int controlId;
    int textId;
};
inline constexpr std::array<SettingsText, 10> kSettingsTexts = {{
    {0, 6158},    // "OrvaISDN Settings"
    {1476, 6146}, // "Sound ON"
    {2350, 6148}, // "LCD-Display in German"
    {1478, 6150}, // "Charge per unit:"
    {1479, 6152}, // "Local area code:"
    {1480, 6154}, // "PABX predial:"
    {1481, 6156}, // "International predial:"
    {1483, 6142}, // "Port :"
    {1482, 6144}, // "Language :"
    {2, 6160},    // "Cancel"
}};

// The checks of the text fields (core/device_settings.h).
using core::fieldAccepts;
using core::validChargeUnit;
using core::validDigits;

// One text field: its control and the setting it shows.
struct SettingsField : core::TextSetting {
    int controlId;
};
inline constexpr std::array<SettingsField, 4> kSettingsFields = {{
    {core::kTextSettings[0], kChargeUnitEdit},
    {core::kTextSettings[1], kAreaCodeEdit},
    {core::kTextSettings[2], kPabxPrefixEdit},
    {core::kTextSettings[3], kIntlPrefixEdit},
}};

// The user as the dialog meets him.
class SettingsUi {
public:
    virtual ~SettingsUi() = default;
    virtual void message(int textId) = 0; // plain message box in the shown language
    virtual void beep() = 0;
    virtual void setBusy(bool on) = 0;
    virtual void refresh() = 0;             // controls := the dialog's values
    virtual void relabel(int language) = 0; // every text of kSettingsTexts in language, repaint
    virtual void reportWriteFailures(const core::WriteReport& report) = 0;
};

// What OK did.
struct SettingsApplied {
    std::vector<uint16_t> failed; // commands the device did not take (value unchanged)
    core::WriteReport writes;     // SOUNDON (and LANGUAGE) writes that failed
};

class SettingsDialog {
public:
    // portPath: the device node of the port (shown beside the COM name), empty when unknown.
    SettingsDialog(core::CConfigApp& app, MainWindowLogic& main, SettingsUi& ui,
                   std::string portPath = {});

    // Opening: the values from the main window (read from the device
    // beforehand), the shown language = the program's, every text set.
    void open();

    // ---- the controls ----
    std::string text(int controlId) const; // the four edits and the port label
    bool checked(int controlId) const;     // sound and display
    bool setChecked(int controlId, bool on);
    // A change the user made to a text field: the field counts as changed
    // from now on; a text the field does not accept shows the field's message
    // and the field goes back to its device value. Returns whether accepted.
    bool userEdited(int controlId, std::string_view text);
    bool changed(int controlId) const; // the text field's changed flag
    // Enter in a field: the field after controlId (the four edits in order, then OK).
    static int nextControl(int controlId);

    // The flag picker: 0 English, 1 German. Relabels the dialog at once.
    void chooseLanguage(int language);
    int shownLanguage() const { return shownLanguage_; }
    bool languageChanged() const { return languageChanged_; }

    // "  COM3", with the device node on Linux: "  COM3 (/dev/ttyUSB0)". Empty
    // while no port is known (no device found).
    std::string portText() const;

    // The port choice: "search all" (index 0, path "") and every port of the
    // machine, "COM1  /dev/serial/by-id/...  (FTDI FT232R USB UART, 0403:6001,
    // serial A1)"; a stored choice that is not present stays as its path.
    // Empty without the program's port access.
    std::size_t portChoiceCount() const { return portChoices_.size(); }
    std::string portChoiceLabel(std::size_t index) const; // in the shown language
    std::size_t portChoice() const { return portChoice_; }
    void choosePort(std::size_t index);

    // OK: beep (sound on), language, sound, the port choice (win.ini and the
    // driver) when it changed, then the display switch (39) when
    // it differs and each changed text field (40-43) in that order. The
    // dialog closes afterwards whatever the device said.
    SettingsApplied ok();
    // Cancel (beeps when sound is on) and the close box (no beep): nothing applied.
    void cancel(bool closeBox = false);

private:
    std::size_t fieldIndex(int controlId) const;
    void fillPortChoices();
    core::Item<std::string>& mainValue(std::size_t field);

    core::CConfigApp& app_;
    MainWindowLogic& main_;
    SettingsUi& ui_;
    std::string portPath_;

    int shownLanguage_ = 0;
    bool languageChanged_ = false;
    bool sound_ = false;
    core::Item<int> lcdGerman_;
    std::array<core::Item<std::string>, 4> texts_; // confirmed = the device value
    std::array<bool, 4> changed_{};
    struct PortChoiceItem {
        std::string path; // empty: search all
        std::string label;
    };
    std::vector<PortChoiceItem> portChoices_;
    std::size_t portChoice_ = 0;
    std::size_t openedPortChoice_ = 0;
};

} // namespace quorvex::app
