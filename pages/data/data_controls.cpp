#include "pages/data/data_controls.h"

#include "core/page.h"
#include "pages/data/eid.h"

namespace quorvex::data {

namespace {

// ---- visibility and captions as data ----

constexpr unsigned bit(int protocol) {
    return 1u << protocol;
}
constexpr unsigned kX75Mask = bit(kX75Btx) | bit(kX75Transparent) | bit(kX75T70);

enum class Needs { Nothing, MultiLink, MultiLinkAndBod, MultiLinkAndEid };

struct VisibilityRule {
    int control;
    unsigned protocols;
    Needs needs;
};

constexpr VisibilityRule kVisibility[] = {
    {kCtlMultiLinkPpp, bit(kPpp), Needs::Nothing},
    {kCtlDba, bit(kPpp), Needs::MultiLink},
    {kCtlBod, bit(kPpp), Needs::MultiLink},
    {kCtlEidClassLabel, bit(kPpp), Needs::MultiLink},
    {kCtlEidClass, bit(kPpp), Needs::MultiLink},
    {kCtlBodConfig, bit(kPpp), Needs::MultiLinkAndBod},
    {kCtlEidNumber, bit(kPpp), Needs::MultiLinkAndEid},
    {kCtlEidExample, bit(kPpp), Needs::MultiLinkAndEid},
    {kCtlV120FrameLabel, bit(kV120), Needs::Nothing},
    {kCtlV120FrameSize, bit(kV120), Needs::Nothing},
    {kCtlV120Bytes, bit(kV120), Needs::Nothing},
    {kCtlIFrame, bit(kV120), Needs::Nothing},
    {kCtlUiFrame, bit(kV120), Needs::Nothing},
    {kCtlMultiLinkX75, kX75Mask, Needs::Nothing},
    {kCtlX75FrameSize, kX75Mask, Needs::Nothing},
    {kCtlX75BtxFrameLabel, bit(kX75Btx), Needs::Nothing},
    {kCtlX75BtxBytes, bit(kX75Btx), Needs::Nothing},
    {kCtlX75TransparentFrameLabel, bit(kX75Transparent), Needs::Nothing},
    {kCtlX75TransparentBytes, bit(kX75Transparent), Needs::Nothing},
    {kCtlX75T70FrameLabel, bit(kX75T70), Needs::Nothing},
    {kCtlX75T70Bytes, bit(kX75T70), Needs::Nothing},
    {kCtlHdlcFrameLabel, bit(kHdlc), Needs::Nothing},
    {kCtlHdlcFrameSize, bit(kHdlc), Needs::Nothing},
    {kCtlHdlcBytes, bit(kHdlc), Needs::Nothing},
};

struct Caption {
    int control;
    int textId;
};

constexpr Caption kCaptions[] = {
    {kCtlProtocolLabel, 6126},
    {kCtlAutoIdent, 6128},
    {kCtlMultiLinkPpp, 6130},
    {kCtlMultiLinkX75, 6130},
    {kCtlDba, 6132},
    {kCtlBod, 6134},
    {kCtlEidClassLabel, 6136},
    {kCtlBodConfig, 8546},
    {kCtlV120Bytes, 6140},
    {kCtlX75BtxBytes, 6140},
    {kCtlX75TransparentBytes, 6140},
    {kCtlX75T70Bytes, 6140},
    {kCtlHdlcBytes, 6140},
    {kCtlCaution, kCautionTextId},
    {menus::kCmdSend, 6036},
};

struct FrameInfo {
    FrameField field;
    int control;
    FrameRange range;
};

constexpr FrameInfo kFrames[] = {
    {FrameField::V120, kCtlV120FrameSize, {128, 256, 9044, false}},
    {FrameField::X75, kCtlX75FrameSize, {1, 2048, 9046, true}},
    {FrameField::Hdlc, kCtlHdlcFrameSize, {1, 2048, 9048, true}},
};

const FrameInfo& frameInfo(FrameField field) {
    return kFrames[static_cast<std::size_t>(field)];
}

} // namespace

std::optional<FrameField> frameFieldOfControl(int controlId) {
    for (const FrameInfo& f : kFrames)
        if (f.control == controlId) return f.field;
    return std::nullopt;
}

// ---- free functions ----

bool isX75(int protocol) {
    return protocol >= 0 && protocol < kProtocols && (kX75Mask & bit(protocol)) != 0;
}

FrameRange frameRange(FrameField field) {
    return frameInfo(field).range;
}

std::optional<FrameField> frameFieldOf(int protocol) {
    if (protocol == kV120) return FrameField::V120;
    if (isX75(protocol)) return FrameField::X75;
    if (protocol == kHdlc) return FrameField::Hdlc;
    return std::nullopt;
}

std::optional<int> digitsValue(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 100000) value = 100000; // far above every range; never overflows
    }
    return value;
}

int frameSizeTypingError(FrameField field, std::string_view text) {
    if (text.empty()) return 0;
    std::optional<int> value = digitsValue(text);
    if (!value) return kMsgDigitsOnly;
    const FrameRange range = frameRange(field);
    const bool belowMin = range.minWhileTyping && *value < range.min;
    return *value > range.max || belowMin ? range.messageId : 0;
}

const std::vector<int>& switchedControls() {
    static const std::vector<int> controls = [] {
        std::vector<int> out;
        for (const VisibilityRule& rule : kVisibility)
            out.push_back(rule.control);
        return out;
    }();
    return controls;
}

bool controlVisible(int controlId, const VisibilityState& state) {
    for (const VisibilityRule& rule : kVisibility) {
        if (rule.control != controlId) continue;
        if (state.protocol < 0 || state.protocol >= kProtocols) return false;
        if ((rule.protocols & bit(state.protocol)) == 0) return false;
        switch (rule.needs) {
        case Needs::Nothing:
            return true;
        case Needs::MultiLink:
            return state.multiLinkPpp;
        case Needs::MultiLinkAndBod:
            return state.multiLinkPpp && state.bod;
        case Needs::MultiLinkAndEid:
            return state.multiLinkPpp && clampEidClass(state.eidClass) != kEidNull;
        }
    }
    return true; // not switched: always shown
}

std::vector<int> visibleControls(const VisibilityState& state) {
    std::vector<int> out;
    for (const VisibilityRule& rule : kVisibility)
        if (controlVisible(rule.control, state)) out.push_back(rule.control);
    return out;
}

int captionTextId(int controlId) {
    for (const Caption& c : kCaptions)
        if (c.control == controlId) return c.textId;
    return 0;
}

} // namespace quorvex::data
