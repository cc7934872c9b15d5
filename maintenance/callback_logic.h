#pragma once
// The data callback dialog without its widget. The device calls back
// incoming data calls from up to ten registered numbers; the dialog switches
// that on or off and edits the numbers. The values live in the main window
// (CallbackSettings, shared with the profiles); the dialog shows a copy, keeps
// what the device was last known to hold, and on OK sends only what differs.

#include "core/device_settings.h"
#include "core/page.h"

#include <array>
#include <string>
#include <string_view>

namespace quorvex::maintenance {

inline constexpr int kCallbackSwitchControl = 2300;
inline constexpr int kCallbackNumberControl = 2301; // 2301..2310: number 0..9
inline constexpr int kCallbackOkButton = 2154;
inline constexpr int kCallbackCancelButton = 2;
inline constexpr int kCallbackHelpText = 7024;
inline constexpr int kCallbackTitleText = 8522;
inline constexpr int kCallbackMaxDigits = 15;

// Empty, or 1 to 15 characters "0" to "9".
bool isCallbackNumber(std::string_view text);

class CallbackDialog {
public:
    // Opens on the main window's values: the dialog shows the edited copies
    // and takes the confirmed ones as what the device holds (the two are the
    // same after a device read; after a failed send the difference is offered
    // again). The menu command reads the device before (readCallbackFromDevice);
    // the "Call back" button of the acceptance page does not.
    CallbackDialog(core::CConfigApp& app, core::PageUi& ui, core::CallbackSettings& values);

    // ---- what the widget binds ----
    bool active() const { return active_.edited != 0; }
    void setActive(bool on) { active_.edited = on ? 1 : 0; }
    void toggleActive() { setActive(!active()); }
    // Number i (0..9), as shown; empty for an index out of range.
    const std::string& number(int i) const;
    // The text of a number field changed (control 2301..2310). A text that is
    // not a callback number is refused: message 9002, the field gets back its
    // last accepted text and the focus. Returns whether it was accepted.
    bool numberChanged(int controlId, std::string text);

    bool hasChanges() const;

    // OK (2154): beep when sound is on, send what changed (44, then 45 for
    // each number in order), confirm what the device acknowledged, here and in
    // the main window. Returns the number of items that failed.
    int confirm();
    // Cancel: nothing is sent; the main window keeps its values.
    void cancel() {}

    const core::SendReport& report() const { return report_; }

private:
    core::CConfigApp& app_;
    core::PageUi& ui_;
    core::CallbackSettings& values_;
    core::Item<int> active_;
    std::array<core::Item<std::string>, core::kCallbackNumberCount> numbers_;
    core::SendReport report_;
};

} // namespace quorvex::maintenance
