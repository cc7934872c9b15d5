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

#include "app/page.h"
#include "pages/data/bod_logic.h"
#include "pages/data/eid.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::data {

// Protocol indexes: the order of the "Protocol:" combo box. The driver maps
// them to the device's protocol numbers (95, 2, 1, 5, 3, 4, 92, 90).
enum Protocol : int {
    kPpp = 0,
    kV120 = 1,
    kV110 = 2,
    kX75Btx = 3,
    kX75Transparent = 4,
    kX75T70 = 5,
    kHdlc = 6,
    kSoftFax = 7,
};
inline constexpr int kProtocols = 8;
bool isX75(int protocol);

// Control ids. The protocol combo box is the page's first field.
enum DataControl : int {
    kCtlProtocol = 2140,
    kCtlProtocolLabel = 2300,
    kCtlAutoIdent,
    kCtlMultiLinkPpp,
    kCtlDba,
    kCtlBod,
    kCtlBodConfig,
    kCtlEidClassLabel,
    kCtlEidClass,
    kCtlEidNumber,
    kCtlEidExample,
    kCtlV120FrameLabel,
    kCtlV120FrameSize,
    kCtlV120Bytes,
    kCtlIFrame,
    kCtlUiFrame,
    kCtlMultiLinkX75,
    kCtlX75FrameSize,
    kCtlX75BtxFrameLabel, // each X.75 variant has its own "Frame Size:" and "bytes"
    kCtlX75TransparentFrameLabel,
    kCtlX75T70FrameLabel,
    kCtlX75BtxBytes,
    kCtlX75TransparentBytes,
    kCtlX75T70Bytes,
    kCtlHdlcFrameLabel,
    kCtlHdlcFrameSize,
    kCtlHdlcBytes,
    kCtlCaution, // "Caution: For advanced users only!" beside the caution picture
};

// ---- frame sizes ----

enum class FrameField { V120, X75, Hdlc };
struct FrameRange {
    int min;
    int max;
    int messageId; // 9044, 9046, 9048
};
FrameRange frameRange(FrameField field);
// The frame size field of a protocol (none for PPP, V.110, SoftFax).
std::optional<FrameField> frameFieldOf(int protocol);
// While typing: digits only (9024) and not above the maximum (the V.120
// minimum of 128 is checked only when collecting). 0 when fine; empty is fine.
int frameSizeTypingError(FrameField field, std::string_view text);
// The number in a frame size field: digits only, else nothing (empty too).
std::optional<int> parseFrameSize(std::string_view text);

// ---- control visibility ----

struct VisibilityState {
    int protocol = kPpp;
    bool multiLinkPpp = false;
    bool bod = false;
    int eidClass = kEidNull;
};
// Controls whose visibility depends on the protocol and the PPP switches;
// every other control of the page is always visible.
const std::vector<int>& switchedControls();
bool controlVisible(int controlId, const VisibilityState& state);
// The switched controls visible in state, in switchedControls() order.
std::vector<int> visibleControls(const VisibilityState& state);

// The English string id of a control's translated caption; 0 when the
// caption stays as the dialog template has it ("Frame Size:", "I-Frame", ...).
int captionTextId(int controlId);

inline constexpr int kTitleTextId = 8510;
inline constexpr int kCautionTextId = 6124;

// ---- the page ----

struct DataSettings {
    app::Item<int> protocol;
    app::Item<int> autoIdent;
    app::Item<int> multiLinkPpp;
    app::Item<int> dba;
    app::Item<int> bod;
    app::Item<int> eidClass;
    std::array<app::Item<std::string>, kEidClasses> eid; // stored form, one per class
    app::Item<int> v120FrameSize;
    app::Item<int> v120IFrame; // 1 I-frame, 0 UI-frame
    app::Item<int> multiLinkX75;
    app::Item<int> x75FrameSize;
    app::Item<int> hdlcFrameSize;
    app::Item<int> highWater;
    app::Item<int> lowWater;
    app::Item<int> highDuration;
    app::Item<int> lowDuration;
};

class DataPage : public app::PageBase {
public:
    DataPage(app::CConfigApp& app, app::PageUi& ui, app::PageHost& host);

    // Page
    void readDevice() override;
    void shown() override; // the focus goes to the protocol combo box
    void profileLoad(int selector) override;
    app::WriteReport profileSave(int selector) override;
    int mayLeave() override;
    bool hasUnsentChanges() const override;
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
    bool collect();
    bool collectEid();
    void collectFrameSize(FrameField field, bool selected);
    void rebuildFieldTexts();
    void sendItems(bool forLoad);
    void rejectEdit(int controlId);
    app::Item<int>& frameItem(FrameField field);
    std::string& frameText(FrameField field);
    bool protocolCondition(int when) const;

    DataSettings s_;
    std::string eidText_; // the EID field as shown (display form)
    std::array<std::string, 3> frameTexts_;
    bool error_ = false;
    bool loaded_ = false;
};

} // namespace quorvex::data
