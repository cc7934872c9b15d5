#pragma once
// The controls of the data protocol page as data: their ids, which of them
// each protocol shows (and which the PPP switches add), their translated
// captions, and the frame size fields with their ranges and checks.

#include "pages/data/eid.h"

#include <optional>
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
    // Whether min is checked while typing too. V.120's 128 is not: "1" is on
    // its way to "128". X.75's and HDLC's 1 is: no digit after "0" helps.
    bool minWhileTyping;
};
FrameRange frameRange(FrameField field);
// The frame size field of a protocol (none for PPP, V.110, SoftFax).
std::optional<FrameField> frameFieldOf(int protocol);
// While typing: digits only (9024), not above the maximum, and for X.75 and
// HDLC not below the minimum (the V.120 minimum of 128 is checked only when
// collecting). 0 when fine; empty is fine.
int frameSizeTypingError(FrameField field, std::string_view text);
// The number in a field of digits (frame sizes, the bandwidth-on-demand
// thresholds): digits only, else nothing (empty too). Saturates at 100000, far
// above every range, so that a long text cannot overflow.
std::optional<int> digitsValue(std::string_view text);
// The frame size of an edit field (none for other controls).
std::optional<FrameField> frameFieldOfControl(int controlId);

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

} // namespace quorvex::data
