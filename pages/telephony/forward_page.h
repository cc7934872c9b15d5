#pragma once
// The call forwarding page without a widget: per analog port three
// forwarding targets (immediately CFU, if busy CFB, after 20 seconds CFNR).
// Forwarding is a network service the device requests per port, so each of
// the fifteen fields is sent on its own button, and the device's verdict
// (off, on, not subscribed, unknown) shows in a status line.
//
// The widget (ForwardPageWidget) binds its controls by identifier: it shows
// text(id), hands every user change to setText and then fieldChanged(id),
// calls enterOrTab(id) on Enter and Tab and buttonPressed(id) for the field
// buttons 2735-2749; it paints statusTextId() (and reportMessage() beside it)
// on every refresh(), and calls timerTick() while statusTimerRunning() (at
// statusTimerDue() on the injected clock, or periodically: the tick checks
// the clock). refresh() must not feed back into setText/fieldChanged.

#include "core/device_cache.h"
#include "core/page.h"
#include "core/page_items.h"
#include "pages/telephony/port_entry.h"
#include "resources/literal_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::telephony {

enum class ForwardType { Cfu = 0, Cfb = 1, Cfnr = 2 };
inline constexpr int kForwardTypeCount = 3;

// What the page adds to a forwarding setting: its row of fields, the report
// word of state 1 and the setting's name in a refusal. The setting itself (its
// driver command, the port it takes, its profile key) is its row of the
// setting table (FORWARD_DIV), which the page finds by the key pattern.
struct ForwardTypeSpec {
    ForwardType type;
    std::string_view keyFormat;    // the setting's row
    int firstField;                // field of port index 0; port p is firstField + p
    core::ReportOutcome onOutcome; // what the report says of state 1
    literals::ForwardKind kind;
};
// CFU, CFB, CFNR: the order of the setting's rows, in which the page reads
// and sends a port's forwardings.
inline constexpr std::array<ForwardTypeSpec, kForwardTypeCount> kForwardTypes = {{
    {ForwardType::Cfu, "FWDIMM%d", 2720, core::ReportOutcome::Ok, literals::ForwardKind::Immediate},
    {ForwardType::Cfb, "FWDBUSY%d", 2725, core::ReportOutcome::On, literals::ForwardKind::Busy},
    {ForwardType::Cfnr, "FRD20SEC%d", 2730, core::ReportOutcome::On,
     literals::ForwardKind::NoReply},
}};

inline constexpr int kForwardFieldFirst = 2720;
inline constexpr int kForwardFieldLast = 2734;
inline constexpr int kForwardButtonOffset = 15; // button = field + 15 (2735-2749)

// Status line texts.
inline constexpr int kStatusIdle = 6052;
inline constexpr int kStatusSending = 9006;
inline constexpr int kStatusError = 9008;
inline constexpr std::int64_t kStatusErrorMs = 4000;
// The device needs a moment after a forwarding request before it answers
// queries about the other ports consistently.
inline constexpr std::int64_t kPauseAfterSendMs = 700;

inline constexpr int kTextSetMsn0 = 6294;      // "Please set MSN0 for port" + " " + port number
inline constexpr int kTextForwardTitle = 8506; // "Phone call forwarding"
inline constexpr int kTextForwardHelp = 7006;
inline constexpr int kTextForwardReminder = 6266;

// The forwarding state the device reports for a set (and 1 for a query that
// finds forwarding on).
enum ForwardState : int32_t {
    kForwardOff = 0,
    kForwardOn = 1,
    kForwardNotSubscribed = 2,
    kForwardUnknown = 3,
};

// The items are described once, by the setting's rows, in an ItemTable that
// loads, saves and forgets them. Reading and sending stay here: the device
// answers a forwarding request with the state the service is now in (off, on,
// not subscribed, unknown) rather than with OK alone, a query's target counts
// only while forwarding is on, a request switches forwarding with bFlag, and
// each one is paced and followed by a re-read of the other ports.
class ForwardPage final : public core::PageBase {
public:
    // model 30 gives three analog ports, any other five; -1 takes app.pageModel.
    ForwardPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int model = -1);

    int portCount() const { return portCount_; }
    const PortEntry& field(ForwardType type, int port) const;
    static int fieldId(ForwardType type, int port);

    // ---- the controls ----
    bool hasControl(int controlId) const; // an R30 has no fields and buttons of 31 and 32
    std::string text(int controlId) const;
    bool setText(int controlId, std::string_view text);
    // Enter and Tab: the fields in identifier order (CFU, CFB, CFNR rows), then back.
    int nextControl(int controlId) const;

    // A field's button (2735-2749): send that field.
    void buttonPressed(int controlId);
    void sendField(ForwardType type, int port);

    // ---- the status line ----
    int statusTextId() const { return statusTextId_; }
    // The refusal of the last send in words ("CFB for port 21 is not
    // subscribe"), shown beside the status line while the error status is up;
    // empty otherwise. English only, as the device's documentation has it.
    const std::string& reportMessage() const { return reportMessage_; }
    bool statusTimerRunning() const { return statusDue_.has_value(); }
    // The clock time at which the error status returns to idle.
    std::int64_t statusTimerDue() const { return statusDue_.value_or(0); }
    // UM_STATUSIDLE: status idle, timer stopped.
    void statusIdle();

    // ---- Page ----
    void readDevice() override;
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    int mayLeave() override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override; // every changed field, then the page is read again
    void discard() override;
    void fieldChanged(int controlId) override;
    void enterOrTab() override { enterOrTab(lastEdited_); }
    void enterOrTab(int focusedControl);
    void acceptField() override;
    void timerTick() override; // the status timer: idle once it is due

private:
    // The field of each item of items_.
    struct FieldRef {
        int typeIndex;
        int port;
    };
    void buildItems();
    // The item of a field, or -1 when the model has none.
    int itemOf(int typeIndex, int port) const;
    PortEntry& entry(int typeIndex, int port);
    const PortEntry& entry(int typeIndex, int port) const;
    PortEntry* entryOf(int controlId);
    const PortEntry* entryOf(int controlId) const;
    void commitControls();
    void rederiveAll();
    void undo(PortEntry& e, int controlId);
    // keepEdits: a field with an unsent target keeps it; only its confirmed
    // value takes the device's answer.
    void query(std::size_t item, bool keepEdits);
    void readAll(bool keepEdits);
    // Steps of one field's send after the status and busy flag are up:
    // commit, send when changed (or always), act on the state, focus, pause.
    void sendOne(std::size_t item, bool always);
    void sendAllFields(bool every, bool withProgress);
    void setStatus(int textId);
    void startErrorStatus(int typeIndex, int port, int state);

    int portCount_;
    std::array<std::array<PortEntry, core::kMaxAnalogPorts>, kForwardTypeCount> fields_;
    // Port by port, each port's forwardings in row order (the read and send
    // order); saved key by key.
    core::ItemTable items_;
    std::vector<FieldRef> fieldOf_; // the field of items_ entry i
    int statusTextId_ = kStatusIdle;
    std::string reportMessage_;
    std::optional<std::int64_t> statusDue_;
    int lastEdited_ = kForwardFieldFirst;
};

} // namespace quorvex::telephony
