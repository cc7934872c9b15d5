#pragma once
// LcrPage: the least cost routing page ("Least Cost Routing -LCR-") without
// its widgets. The widget (LcrPageWidget) shows one day type at a time, reads the
// shown values through text()/flag() and reports the user's actions with
// typeText(), fieldLeft(), click() and enterOrTab(). Control ids are those
// below; the band and range ids name a row of the day type shown.

#include "core/page.h"
#include "pages/data/lcr_check.h"

#include <string>

namespace quorvex::data {

enum class BandField { From = 0, Till = 1, Predial = 2, Provider = 3, Local = 4, Active = 5 };
enum class RangeField { From = 0, To = 1, Active = 2 };

namespace lcr_control {
inline constexpr int kActivated = 1000; // "LCR activated"
inline constexpr int kMonFri = 1001;    // day type radio buttons
inline constexpr int kSatSun = 1002;
inline constexpr int kBandBase = 1100;  // + 10 * band + field
inline constexpr int kRangeBase = 1200; // + 10 * range + field
inline constexpr int kSend = menus::kCmdSend;

constexpr int band(int row, BandField f) {
    return kBandBase + 10 * row + int(f);
}
constexpr int range(int row, RangeField f) {
    return kRangeBase + 10 * row + int(f);
}

// The most characters a predial or range field takes. Five digits is the
// page's own rule, and a sixth must reach it so that 9010 or 9018 can say
// so; the cap only bounds a pasted text by what a command carries: a range
// "AT\N<day><row>=<from>-<to>\r" holds both ends in the driver's 31 characters.
inline constexpr int kNumberFieldMaxLength = 11;
static_assert(9 + 2 * kNumberFieldMaxLength <= 31);
} // namespace lcr_control

class LcrPage : public core::PageBase {
public:
    LcrPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);

    // ---- the page contract ----
    void readDevice() override;
    void shown() override;
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override; // the provider names are the program's own
    // As every page, but a send the check blocked keeps the user on the page.
    int mayLeave() override;
    // The send check, then (when it allows) the marked items.
    void send() override;
    void discard() override;
    void fieldLeft(int controlId) override;
    void acceptField() override;

    // ---- the controls ----
    int dayType() const { return dayType_; }
    std::string text(int controlId) const;
    bool flag(int controlId) const;
    // An edit field changed to text: checked at once (messages 9016, 9010, 9018).
    void typeText(int controlId, const std::string& text);
    // A button: activation, the day types, apply-to-local-calls, "Active".
    void click(int controlId);
    // Enter or Tab in controlId: the field is left, the focus goes to the next control.
    using core::PageBase::enterOrTab;
    void enterOrTab(int controlId);
    static int nextControl(int controlId);

    // ---- state, for the widget and tests ----
    const LcrTables& tables() const { return tables_; }
    LcrTables& tables() { return tables_; }
    const Item<bool>& activated() const { return activated_; }
    // Failed writes to the default profile (provider names, the section
    // after a send) since the last call; the widget shows them.
    core::WriteReport takeWriteFailures();

private:
    void sendItems(core::SendMode mode);
    void correctProviderNames();
    void writeMarkedProviderNames();
    void loadSection(int selector);

    LcrBand* bandOf(int controlId, BandField& field);
    LcrRange* rangeOf(int controlId, RangeField& field);
    const Item<std::string>* textItem(int controlId) const;
    void typeHour(LcrBand& band, BandField field, int controlId, const std::string& text);

    // Every value once, by its profile key: compared, discarded, loaded and
    // saved by the shared walker. Reading and sending stay the page's own (a
    // band's hours travel in one command, a range's two ends in another).
    void describeItems();

    LcrTables tables_{};
    Item<bool> activated_{};
    core::ItemTable items_;
    int dayType_ = 0;
    int pendingPredialLeave_ = -1; // a predial field typed into and not yet left
    bool lastSendBlocked_ = false;
    core::WriteReport writeFailures_;
};

} // namespace quorvex::data
