#pragma once
// The data protocol page ("Protocol transfer") without its widgets: how the
// device's data port talks to remote computers over ISDN. It reads and
// writes the B-channel protocol, automatic protocol identification,
// MultiLink PPP with DBA, BOD and the end point identification, the V.120,
// X.75 and HDLC frame settings and the four BOD thresholds (driver commands
// 47, 48 and 49), and owns profile section DATA_DIV.
//
// The widget owns a DataPage, shows what the getters say (values, visibility
// and captions per control id) and forwards the user's events. Typed text
// of the frame size and EID fields becomes an edited value only when the
// page collects: before a send, before the page is left, on a protocol change.

#include "core/page.h"
#include "pages/data/bod_logic.h"
#include "pages/data/data_controls.h"
#include "pages/data/eid.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::data {

// ---- the page ----

struct DataSettings {
    core::Item<int> protocol;
    core::Item<int> autoIdent;
    core::Item<int> multiLinkPpp;
    core::Item<int> dba;
    core::Item<int> bod;
    core::Item<int> eidClass;
    std::array<core::Item<std::string>, kEidClasses> eid; // stored form, one per class
    core::Item<int> v120FrameSize;
    core::Item<int> v120IFrame; // 1 I-frame, 0 UI-frame
    core::Item<int> multiLinkX75;
    core::Item<int> x75FrameSize;
    core::Item<int> hdlcFrameSize;
    core::Item<int> highWater;
    core::Item<int> lowWater;
    core::Item<int> highDuration;
    core::Item<int> lowDuration;
};

class DataPage : public core::PageBase {
public:
    DataPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);

    // Page
    void readDevice() override;
    void shown() override; // the focus goes to the protocol combo box
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    int mayLeave() override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override;
    void discard() override;

    // ---- the user's events ----
    void protocolSelected(int index);
    void eidClassSelected(int eidClass);
    // Check boxes: automatic identification, MultiLink PPP, DBA, BOD, MultiLink X.75.
    void checkClicked(int controlId, bool on);
    void frameTypeClicked(bool iFrame); // "I-Frame" (true) / "UI-Frame" (false)
    // An edit field's text changed (frame sizes, EID number): the check while typing.
    // Returns whether the text was accepted.
    bool editChanged(int controlId, std::string_view text);
    // "BOD configuration": run is the modal dialog; it gets the edited values
    // and gives back what the page takes (CBodDlg returns the opening values on Cancel).
    void openBodDialog(const std::function<BodValues(const BodValues&)>& run);

    // ---- what the widget shows ----
    const DataSettings& settings() const { return s_; }
    std::string fieldText(int controlId) const; // edit fields
    bool checked(int controlId) const;          // check boxes and the frame type buttons
    int selection(int controlId) const;         // the two combo boxes
    bool visible(int controlId) const;
    int exampleTextId() const { return eidExampleTextId(s_.eidClass.edited); }
    BodValues bodValues() const;
    bool loaded() const { return loaded_; }
    bool errorFlag() const { return error_; }

private:
    void buildItems();
    // Whether an item of a protocol (When) is sent and compared now.
    bool counts(int when, bool stale) const;
    // Whether item i of items_ goes in a send: loading sends the settings of every protocol.
    bool sendsNow(std::size_t i, bool loading) const;
    // The EID number of the chosen class, changed and sent now (never for NULL).
    core::Item<std::string>* pendingEidNumber(bool loading);
    void readEidNumber();
    void sendEidNumber(bool forLoad);
    void correctFrameSize(std::size_t i);
    std::string_view settingKey(const core::Item<int>& item) const;
    void collectAndSend(bool forLoad);
    bool collect(bool loading = false);
    bool collectEid(bool quiet);
    void collectFrameSize(FrameField field, bool selected, bool loading);
    void rebuildFieldTexts();
    void sendItems(bool forLoad);
    void rejectEdit(int controlId);
    core::Item<int>& frameItem(FrameField field);
    std::string& frameText(FrameField field);
    bool protocolCondition(int when) const;

    DataSettings s_;
    // Every setting but the EID number, in the device's order, as the setting
    // table describes it; the EID number goes between items eidAt_-1 and eidAt_.
    core::ItemTable items_;
    std::vector<core::Item<int>*> numbers_; // the item of items_[i]
    std::vector<int> when_;                 // the protocol items_[i] belongs to
    std::size_t eidAt_ = 0;
    core::ItemSpec eidSpec_; // the EID number's command and register
    int eidWhen_ = 0;
    std::string eidText_; // the EID field as shown (display form)
    std::array<std::string, 3> frameTexts_;
    bool error_ = false;
    std::vector<std::string> refused_; // what the last collect refused, "DATA_DIV/KEY=value"
    bool loaded_ = false;
};

} // namespace quorvex::data
