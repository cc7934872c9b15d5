#pragma once
// The short dial and special ring page without a widget: per analog port the
// special ring switch (driver command 14) and ten short dial entries (driver
// command 15, slots 0-9). An entry is a number of up to 15 digits, a star code
// "*11" ... "*32", or a port's name, which is stored and sent as its star code
// (the rules of port_entry.h).
//
// The widget (ShortDialPageWidget) binds its controls by identifier: it shows
// text(id) / checked(id), hands every user change to setText / setChecked and
// then fieldChanged(id) (edits), reports fieldLeft(id) when an edit loses the
// focus, calls enterOrTab(id) on Enter and Tab and buttonPressed(2154) for the
// Send button, and implements PageUi (messages 9000 and 9058, focus, refresh).
// refresh() must not feed back into setText/fieldChanged as a user change.

#include "core/device_cache.h"
#include "core/page.h"
#include "pages/telephony/port_entry.h"

#include <array>
#include <string>
#include <string_view>

namespace quorvex::telephony {

inline constexpr int kShortDialSlots = 10;
// Control identifiers.
inline constexpr int kShortDialEditFirst = 2550;    // port p, slot k: 2550 + 10p + k
inline constexpr int kSpecialRingCheckFirst = 2600; // + port index
inline constexpr int kShortDialSendButton = menus::kCmdSend;

inline constexpr int kTextMax15Digits = 9058; // "max 15 digits"
inline constexpr int kTextShortDialTitle = 8504;
inline constexpr int kTextShortDialHelp = 7004;
inline constexpr std::size_t kShortDialMaxDigits = 15;

class ShortDialPage final : public core::PageBase {
public:
    // model 30 gives three analog ports, any other five; -1 takes app.pageModel.
    ShortDialPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int model = -1);

    int portCount() const { return portCount_; }
    const PortEntry& entry(int port, int slot) const;
    const core::Item<int>& specialRing(int port) const;

    // ---- the controls ----
    bool hasControl(int controlId) const;  // an R30 has no controls of ports 31 and 32
    std::string text(int controlId) const; // short dial edits: the displayed text
    bool checked(int controlId) const;     // special ring boxes
    bool setText(int controlId, std::string_view text);
    bool setChecked(int controlId, bool on);
    // Enter and Tab: the edits port by port, then the special ring boxes, the
    // Send button, and back to the first edit.
    int nextControl(int controlId) const;

    // Button 2154: beep when sound is on, then send every item.
    void buttonPressed(int controlId);

    // ---- Page ----
    void readDevice() override;
    void shown() override;
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    int mayLeave() override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override; // the changed items only (the unsent-changes question)
    void sendAll();       // every item (the Send button, a profile load)
    void discard() override;
    void fieldChanged(int controlId) override;
    void fieldLeft(int controlId) override;
    void enterOrTab() override { enterOrTab(lastEdited_); }
    void enterOrTab(int focusedControl);
    void acceptField() override;

private:
    PortEntry* entryOf(int controlId);
    const PortEntry* entryOf(int controlId) const;
    // Display -> stored values of every entry (PortEntry::commit: a typed
    // text that is incomplete or invalid goes back to the confirmed value).
    void commitControls();
    void rederiveAll();
    void undo(PortEntry& entry, int controlId);
    void sendItems(core::SendMode mode, bool withProgress);

    int portCount_;
    std::array<core::Item<int>, core::kMaxAnalogPorts> ring_;
    std::array<std::array<PortEntry, kShortDialSlots>, core::kMaxAnalogPorts> entries_;
    core::ItemTable table_; // commands and profile keys, in send and save order
    int lastEdited_ = kShortDialEditFirst;
};

} // namespace quorvex::telephony
