#pragma once
// The MSN page without a widget: per analog port three MSNs, the CLIP switch
// and a name; the data port with five MSNs, CLIP and a name; and the row of
// port symbols. The device-state cache (app.cache) is what the device is
// known to hold; the page keeps a confirmed and an edited copy of every item.
//
// The widget (MsnPageWidget) binds its controls by identifier: it shows text(id) /
// checked(id), hands every user change to setText / setChecked and then
// fieldChanged(id) (edits) or fieldLeft(id), calls enterOrTab on Enter and Tab,
// and implements PageUi (message 9002, focus, refresh).

#include "core/device_cache.h"
#include "core/page.h"
#include "core/port_symbols.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::telephony {

// Port slots of the page: analog ports 0-4 ("11", "21", "22", "31", "32") and the data port.
inline constexpr int kAnalogSlots = 5;
inline constexpr int kDataSlot = 5;
inline constexpr int kSlotCount = 6;

// Control identifiers.
inline constexpr int kNameEditFirst = 2140;    // + slot (2145 the data port)
inline constexpr int kMsnEditFirst = 3000;     // analog port p, MSN m: 3000 + 3p + m
inline constexpr int kDataMsnEditFirst = 3015; // data port MSN i: 3015 + i
inline constexpr int kClipCheckFirst = 3020;   // + slot (3025 the data port)
inline constexpr int kMsnSendButton = menus::kCmdSend;

inline constexpr int kMsnMaxDigits = 15;
inline constexpr int kTextMsnInvalid = 9002; // "Please enter a  phonenumber. ..."
inline constexpr int kTextMsnTitle = 8500;   // "Assigning MSNs"
inline constexpr int kTextMsnHelp = 7000;

// An MSN as the device takes it: at most 15 characters, digits only; empty
// means "not assigned".
bool validMsn(std::string_view text);

enum class MsnField { Name, Msn, Clip };

// One item of the page, described once: compared, sent, loaded and saved by
// walking msnItems(). The names come first, then the device items in the
// order the page sends them (analog MSNs by port then index, analog CLIPs,
// data MSNs, data CLIP); the profile keys in this order, after the symbols'
// "PORTIDX%d", are the section's keys.
struct MsnItem {
    MsnField field = MsnField::Msn;
    int slot = 0;  // 0-4 analog port, 5 the data port
    int index = 0; // MSN index; 0 for names and CLIP
    int controlId = 0;
    std::string key; // profile key in MSN_DIV
    // During a profile load's send the main window's bar steps after this
    // item even when it was not sent (analog CLIPs and data MSNs); the
    // others step only when sent.
    bool progressAlways = false;
};
std::vector<MsnItem> msnItems(int portCount);

// "\"21\"", or "\"data\"" for the data port.
std::string defaultName(int slot);

struct PortValues {
    std::array<core::Item<std::string>, 5> msn; // analog ports use the first three
    core::Item<int> clip;
    core::Item<std::string> name;
};

class MsnPage final : public core::PageBase {
public:
    // model 30 gives three analog ports, any other five; -1 takes app.pageModel.
    MsnPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int model = -1);

    int portCount() const { return portCount_; }
    const PortValues& port(int slot) const { return values_[static_cast<std::size_t>(slot)]; }
    const std::vector<MsnItem>& items() const { return items_; }
    core::PortSymbolRow& symbols() { return symbols_; }
    const core::PortSymbolRow& symbols() const { return symbols_; }

    // ---- the controls ----
    // Whether the control exists on this model (an R30 hides ports 31 and 32).
    bool hasControl(int controlId) const;
    std::string text(int controlId) const; // name and MSN edits
    bool checked(int controlId) const;     // CLIP boxes
    // The user's change of a control; false when it is not one of the page's.
    bool setText(int controlId, std::string_view text);
    bool setChecked(int controlId, bool on);
    // Where Enter and Tab go from controlId: the page's fields in reading
    // order (per port: name, MSNs, CLIP; then the data port), then the Send
    // button, then back to the first name.
    int nextControl(int controlId) const;

    // UM_SYMBOLRELOAD: the pictures from the default profile (readDevice does it too).
    void reloadSymbols();
    // A picture chosen on symbol index's pop-up menu: taken and written to the
    // default profile at once; a failed write is reported.
    bool symbolChosen(int index, int menuCommand);

    // ---- Page ----
    void readDevice() override;
    void shown() override;
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override;
    void discard() override;
    void fieldChanged(int controlId) override;
    void fieldLeft(int controlId) override;
    void enterOrTab() override { enterOrTab(lastControl_); }
    void enterOrTab(int focusedControl);
    void acceptField() override;

    // The writes of the last send (names, symbols) that failed; also handed to the host.
    const core::WriteReport& lastWriteReport() const { return lastWrites_; }

private:
    core::Item<std::string>* textItem(int controlId);
    const core::Item<std::string>* textItem(int controlId) const;
    const MsnItem* itemOf(int controlId) const;
    // The item's command, port and index as the table holds them.
    const core::ItemSpec* specOf(const MsnItem& item) const;
    core::PortState& cached(int slot);
    // The device may not hold the edited value: it differs from the cache,
    // or the device has taken new firmware since.
    bool unsent(const MsnItem& item);
    // The last changed MSN field, when its text is invalid, goes back to the
    // device's value without a message. True when it did.
    bool revertInvalidMsn();
    void sendItems(core::SendMode mode, bool withProgress);
    core::SendOutcome sendItem(const MsnItem& item);
    void storeNames();

    int portCount_;
    std::vector<MsnItem> items_;
    std::array<PortValues, kSlotCount> values_;
    // The MSNs and CLIP switches, once each: compared, discarded, loaded and
    // saved by the shared walker. The names are the program's own (kept in the
    // default profile, the default name as the empty text); reading comes from
    // the device cache and sending compares with it, so both stay here.
    core::ItemTable table_;
    core::PortSymbolRow symbols_;
    int lastChangedMsn_ = 0; // control id of the MSN field the user changed last, 0: none
    int lastControl_ = kNameEditFirst;
    core::WriteReport lastWrites_;
};

} // namespace quorvex::telephony
