#include "profile/setting_table.h"

namespace quorvex::profile {
namespace {

constexpr IndexRange kNone{};
constexpr IndexRange kPorts{Indexes::Ports};
constexpr IndexRange kPortsAndData{Indexes::PortsAndData};
constexpr IndexRange fixed(int lo, int hi) {
    return {Indexes::Fixed, lo, hi};
}

constexpr Setting text(std::string_view format, IndexRange outer = kNone, IndexRange inner = kNone,
                       bool perDay = false) {
    return {format, ValueForm::Text, {}, 0, INT_MIN, INT_MAX, outer, inner, perDay};
}
constexpr Setting onOff(std::string_view format, IndexRange outer = kNone, bool perDay = false) {
    return {format, ValueForm::Switch, {}, 0, 0, 1, outer, kNone, perDay};
}
constexpr Setting number(std::string_view format, int dflt, int lo = INT_MIN, int hi = INT_MAX,
                         IndexRange outer = kNone) {
    return {format, ValueForm::Decimal, {}, dflt, lo, hi, outer, kNone, false};
}

using F = RecordField;
using P = PortForm;
using I = IndexForm;

constexpr Setting kBack[] = {
    onOff("CLBKACTIVE").by(DRV_CALLBACK, F::Flag),
    text("CLBKNUM%d", fixed(0, 9)).by(DRV_CALLBACKNUM, F::Text, P::Fixed, I::First),
};

constexpr Setting kSet[] = {
    number("LANGUAGE", 0, 0, 1),
    onOff("SOUNDON"),
    onOff("LCDDSPING").by(DRV_LCDGERMAN, F::Flag),
    text("CHGUNIT").by(DRV_CHGUNIT, F::Text),
    text("LCCODE").by(DRV_AREACODE, F::Text),
    text("PABX").by(DRV_PABXPREFIX, F::Text),
    text("IPREDIAL").by(DRV_INTLPREFIX, F::Text),
};

constexpr Setting kMsn[] = {
    number("PORTIDX%d", 0, INT_MIN, INT_MAX, kPortsAndData),
    text("ALIAS%d", kPorts),
    text("ALIASD"),
    text("AMSN%d%d", kPorts, fixed(0, 2)).by(DRV_MSN, F::Text, P::AnalogPort, I::Second),
    onOff("ACLIP%d", kPorts).by(DRV_CLIP, F::Flag, P::AnalogPort),
    text("DMSN%d", fixed(0, 4)).by(DRV_MSN, F::Text, P::Fixed, I::First),
    onOff("DCLIP").by(DRV_CLIP, F::Flag),
};

// The data port's two acceptance modes: port 0 for MSN 1-3, port 3 for the
// SoftFax / answering machine MSNs 4 and 5.
constexpr Setting kAccep[] = {
    number("ACCEPDTAA", 0, 0, 2).by(DRV_ACCEPT, F::Number),
    number("ACCEPDTAB", 0, 0, 2).by(DRV_ACCEPT, F::Number).atPort(3),
    number("ACCEPCALL%d", 0, 0, 2, kPorts).by(DRV_ACCEPT, F::Number, P::AnalogPort),
    number("SHOWID%d", 0, 0, 2, kPorts).by(DRV_CALLERID, F::Number, P::AnalogPort),
    number("DELAYRING%d", 0, 0, 9, kPorts).by(DRV_RINGDELAY, F::Number, P::AnalogPort),
    onOff("CALLWAIT%d", kPorts).by(DRV_CALLWAIT, F::Flag, P::AnalogPort),
    // The device stores "normal volume": its flag is the opposite of the key's.
    onOff("LOWVOL%d", kPorts).by(DRV_VOLUME, F::Flag, P::AnalogPort).invertedFlag(),
};

constexpr Setting kShortDial[] = {
    onOff("CHKSPXRING%d", kPorts).by(DRV_SPECIALRING, F::Flag, P::AnalogPort),
    text("SDNUM%d%d", kPorts, fixed(0, 9)).by(DRV_SHORTDIAL, F::Text, P::AnalogPort, I::Second),
};

constexpr Setting kForward[] = {
    text("FWDIMM%d", kPorts).by(DRV_CFU, F::Text, P::AnalogPort),
    text("FWDBUSY%d", kPorts).by(DRV_CFB, F::Text, P::AnalogPort),
    text("FRD20SEC%d", kPorts).by(DRV_CFNR, F::Text, P::AnalogPort),
};

// Filter lists 0..4 belong to the analog ports, list 5 to the data port.
constexpr Setting kFilter[] = {
    onOff("ACTIVE%d", kPortsAndData).by(DRV_FILTER, F::Flag, P::PortOrData),
    text("FTRNUM%d%d", kPortsAndData, fixed(0, 9))
        .by(DRV_FILTERNUM, F::Text, P::PortOrData, I::Second),
};

// DRV_DATAPROTO takes its register selector in nPort, and for selectors 2
// and 6 the protocol (nAux) whose register it is: 0 PPP, 1 V.120, 3 X.75,
// 6 HDLC. DRV_EID takes 11 (class) or 12 (number), DRV_BODREG 7 to 10.
// The device holds one EID number, its current class's, as text behind nAux
// (drv_eid_text); the data page puts it there itself. A frame size's range
// is the page's field check: a profile's size outside it is reported, not
// replaced, so the rows give none.
constexpr Setting kData[] = {
    number("CURPTOCOL", 0, 0, 7).by(DRV_DATAPROTO, F::Aux),
    onOff("ATOPROTOCOL").by(DRV_DATAPROTO, F::Flag).atPort(1),
    onOff("MLP_PPP").by(DRV_DATAPROTO, F::Flag).atPort(2),
    onOff("DBA").by(DRV_DATAPROTO, F::Flag).atPort(3),
    onOff("BOD").by(DRV_DATAPROTO, F::Flag).atPort(4),
    number("EIDCLS", 0, 0, 5).by(DRV_EID, F::Index).atPort(11),
    text("EIDNUM%d", fixed(1, 5)).by(DRV_EID, F::Text).atPort(12),
    number("FRMSZV120", 256).by(DRV_DATAPROTO, F::Index).atPort(6).withAux(1),
    onOff("IFRAME").by(DRV_DATAPROTO, F::Flag).atPort(5),
    onOff("MLP_X75").by(DRV_DATAPROTO, F::Flag).atPort(2).withAux(3),
    number("FRMSZX75", 2048).by(DRV_DATAPROTO, F::Index).atPort(6).withAux(3),
    number("FRMSZHDLC", 2048).by(DRV_DATAPROTO, F::Index).atPort(6).withAux(6),
    number("HIWATER", 45).by(DRV_BODREG, F::Index).atPort(7),
    number("LOWATER", 30).by(DRV_BODREG, F::Index).atPort(9),
    number("HIDURATION", 2).by(DRV_BODREG, F::Index).atPort(8),
    number("LODURATION", 2).by(DRV_BODREG, F::Index).atPort(10),
};

constexpr bool kPerDay = true;
constexpr Setting kLcr[] = {
    onOff("LCRACT").by(DRV_LCR, F::Flag),
    text("LCPFRM_%s%d", fixed(0, 5), kNone, kPerDay).by(DRV_LCRTIME, F::From, P::DayType, I::First),
    text("LCPTO_%s%d", fixed(0, 5), kNone, kPerDay).by(DRV_LCRTIME, F::To, P::DayType, I::First),
    text("PREDIAL%s%d", fixed(0, 5), kNone, kPerDay)
        .by(DRV_LCRPREFIX, F::Text3, P::DayType, I::First),
    text("PROVIDER%s%d", fixed(0, 5), kNone, kPerDay),
    onOff("LOCALCALL%s%d", fixed(0, 5), kPerDay).by(DRV_LCRLOCAL, F::Flag, P::DayType, I::First),
    onOff("ITEMACT%s%d", fixed(0, 5), kPerDay).by(DRV_LCRACTIVE, F::Flag, P::DayType, I::First),
    text("EPNFRM%s%d", fixed(0, 7), kNone, kPerDay).by(DRV_LCRRANGE, F::Text, P::DayType, I::First),
    text("EPNTO%s%d", fixed(0, 7), kNone, kPerDay).by(DRV_LCRRANGE, F::Text2, P::DayType, I::First),
    onOff("EPNACT%s%d", fixed(0, 7), kPerDay).by(DRV_LCRRANGEACTIVE, F::Flag, P::DayType, I::First),
};

constexpr Setting kTimer[] = {
    onOff("MCACTIVE%d", kPorts).by(DRV_PORTTIMER, F::Flag, P::AnalogPort),
    Setting{"MCALL%d", ValueForm::Text, "00:00", 0, INT_MIN, INT_MAX, kPorts, kNone, false}.by(
        DRV_PORTTIMER, F::Time, P::AnalogPort),
};

constexpr SectionRows kSections[] = {
    {Section::Back, kMainWindowOwns, kBack},
    {Section::Set, kMainWindowOwns, kSet},
    {Section::Msn, 0, kMsn},
    {Section::Accep, 1, kAccep},
    {Section::ShortDial, 2, kShortDial},
    {Section::Forward, 3, kForward},
    {Section::Filter, 4, kFilter},
    {Section::Data, 5, kData},
    {Section::Lcr, 6, kLcr},
    {Section::Timer, 8, kTimer},
};

} // namespace

std::span<const SectionRows> settingTable() {
    return kSections;
}

const SectionRows& rowsOf(Section section) {
    for (const SectionRows& table : kSections) {
        if (table.section == section) return table;
    }
    return kSections[0]; // unreachable: every enumerator has a row
}

const Setting* settingOf(Section section, std::string_view format) {
    for (const Setting& row : rowsOf(section).rows) {
        if (row.format == format) return &row;
    }
    return nullptr;
}

} // namespace quorvex::profile
