#include "profile/sections.h"

#include "profile/ini_document.h"

#include <span>

namespace quorvex::profile {

namespace {

enum class Indexes {
    None,
    Ports,        // 0 .. portCount-1
    PortsAndData, // 0 .. portCount-1, then 5 (the data port)
    Fixed,        // lo .. hi
};

struct IndexRange {
    Indexes kind = Indexes::None;
    int lo = 0;
    int hi = 0;
};

// One row of a section's table: a key pattern and its value.
struct KeyPattern {
    std::string_view format; // %d: an index, %s: the day-type letter
    ValueForm form;
    std::string_view textDefault = {};
    int numberDefault = 0;
    int minValue = INT_MIN;
    int maxValue = INT_MAX;
    IndexRange outer = {};
    IndexRange inner = {};
    bool perDayType = false; // repeated for the "M" and then the "S" table
};

constexpr IndexRange kNone{};
constexpr IndexRange kPorts{Indexes::Ports};
constexpr IndexRange kPortsAndData{Indexes::PortsAndData};
constexpr IndexRange fixed(int lo, int hi) {
    return {Indexes::Fixed, lo, hi};
}

constexpr KeyPattern text(std::string_view format, IndexRange outer = kNone,
                          IndexRange inner = kNone, bool perDay = false) {
    return {format, ValueForm::Text, {}, 0, INT_MIN, INT_MAX, outer, inner, perDay};
}
constexpr KeyPattern onOff(std::string_view format, IndexRange outer = kNone, bool perDay = false) {
    return {format, ValueForm::Switch, {}, 0, 0, 1, outer, kNone, perDay};
}
constexpr KeyPattern number(std::string_view format, int dflt, int lo = INT_MIN, int hi = INT_MAX,
                            IndexRange outer = kNone) {
    return {format, ValueForm::Decimal, {}, dflt, lo, hi, outer, kNone, false};
}

constexpr KeyPattern kBack[] = {
    onOff("CLBKACTIVE"),
    text("CLBKNUM%d", fixed(0, 9)),
};

constexpr KeyPattern kSet[] = {
    number("LANGUAGE", 0, 0, 1),
    onOff("SOUNDON"),
    onOff("LCDDSPING"),
    text("CHGUNIT"),
    text("LCCODE"),
    text("PABX"),
    text("IPREDIAL"),
};

constexpr KeyPattern kMsn[] = {
    number("PORTIDX%d", 0, INT_MIN, INT_MAX, kPortsAndData),
    text("ALIAS%d", kPorts),
    text("ALIASD"),
    text("AMSN%d%d", kPorts, fixed(0, 2)),
    onOff("ACLIP%d", kPorts),
    text("DMSN%d", fixed(0, 4)),
    onOff("DCLIP"),
};

constexpr KeyPattern kAccep[] = {
    number("ACCEPDTAA", 0, 0, 2),
    number("ACCEPDTAB", 0, 0, 2),
    number("ACCEPCALL%d", 0, 0, 2, kPorts),
    number("SHOWID%d", 0, 0, 2, kPorts),
    number("DELAYRING%d", 0, 0, 9, kPorts),
    onOff("CALLWAIT%d", kPorts),
    onOff("LOWVOL%d", kPorts),
};

constexpr KeyPattern kShortDial[] = {
    onOff("CHKSPXRING%d", kPorts),
    text("SDNUM%d%d", kPorts, fixed(0, 9)),
};

constexpr KeyPattern kForward[] = {
    text("FWDIMM%d", kPorts),
    text("FWDBUSY%d", kPorts),
    text("FRD20SEC%d", kPorts),
};

// Filter lists 0..4 belong to the analog ports, list 5 to the data port.
constexpr KeyPattern kFilter[] = {
    onOff("ACTIVE%d", kPortsAndData),
    text("FTRNUM%d%d", kPortsAndData, fixed(0, 9)),
};

constexpr KeyPattern kData[] = {
    number("CURPTOCOL", 0, 0, 7),
    onOff("ATOPROTOCOL"),
    onOff("MLP_PPP"),
    onOff("DBA"),
    onOff("BOD"),
    number("EIDCLS", 0, 0, 5),
    text("EIDNUM%d", fixed(1, 5)),
    number("FRMSZV120", 256),
    onOff("IFRAME"),
    onOff("MLP_X75"),
    number("FRMSZX75", 2048),
    number("FRMSZHDLC", 2048),
    number("HIWATER", 45),
    number("LOWATER", 30),
    number("HIDURATION", 2),
    number("LODURATION", 2),
};

constexpr bool kPerDay = true;
constexpr KeyPattern kLcr[] = {
    onOff("LCRACT"),
    text("LCPFRM_%s%d", fixed(0, 5), kNone, kPerDay),
    text("LCPTO_%s%d", fixed(0, 5), kNone, kPerDay),
    text("PREDIAL%s%d", fixed(0, 5), kNone, kPerDay),
    text("PROVIDER%s%d", fixed(0, 5), kNone, kPerDay),
    onOff("LOCALCALL%s%d", fixed(0, 5), kPerDay),
    onOff("ITEMACT%s%d", fixed(0, 5), kPerDay),
    text("EPNFRM%s%d", fixed(0, 7), kNone, kPerDay),
    text("EPNTO%s%d", fixed(0, 7), kNone, kPerDay),
    onOff("EPNACT%s%d", fixed(0, 7), kPerDay),
};

constexpr KeyPattern kTimer[] = {
    onOff("MCACTIVE%d", kPorts),
    {"MCALL%d", ValueForm::Text, "00:00", 0, INT_MIN, INT_MAX, kPorts, kNone, false},
};

struct SectionTable {
    Section section;
    std::string_view name;
    std::span<const KeyPattern> keys;
};

constexpr SectionTable kSections[] = {
    {Section::Back, "BACK_DIV", kBack},
    {Section::Set, "SET_DIV", kSet},
    {Section::Msn, "MSN_DIV", kMsn},
    {Section::Accep, "ACCEP_DIV", kAccep},
    {Section::ShortDial, "SHORTDIAL_DIV", kShortDial},
    {Section::Forward, "FORWARD_DIV", kForward},
    {Section::Filter, "FILTER_DIV", kFilter},
    {Section::Data, "DATA_DIV", kData},
    {Section::Lcr, "LCR_DIV", kLcr},
    {Section::Timer, "TIMER_DIV", kTimer},
};

const SectionTable& tableOf(Section section) {
    for (const SectionTable& table : kSections) {
        if (table.section == section) return table;
    }
    return kSections[0]; // unreachable: every enumerator has a row
}

std::vector<int> indexesOf(IndexRange range, int portCount) {
    std::vector<int> out;
    switch (range.kind) {
    case Indexes::None:
        out.push_back(-1);
        break;
    case Indexes::Ports:
    case Indexes::PortsAndData:
        for (int p = 0; p < portCount; ++p)
            out.push_back(p);
        if (range.kind == Indexes::PortsAndData) out.push_back(5);
        break;
    case Indexes::Fixed:
        for (int i = range.lo; i <= range.hi; ++i)
            out.push_back(i);
        break;
    }
    return out;
}

// Fills the pattern: %s takes the day-type letter, each %d the next index.
std::string keyName(std::string_view format, char dayType, int first, int second) {
    std::string out;
    int next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                out.push_back(dayType);
            } else {
                out += std::to_string(next++ == 0 ? first : second);
            }
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

void expand(const KeyPattern& row, char dayType, int portCount, std::vector<KeySpec>& out) {
    for (const int first : indexesOf(row.outer, portCount)) {
        for (const int second : indexesOf(row.inner, portCount)) {
            KeySpec spec;
            spec.name = keyName(row.format, dayType, first, second);
            spec.format = row.format;
            spec.form = row.form;
            spec.textDefault = row.textDefault;
            spec.numberDefault = row.numberDefault;
            spec.minValue = row.minValue;
            spec.maxValue = row.maxValue;
            spec.first = first;
            spec.second = second;
            spec.dayType = dayType;
            out.push_back(std::move(spec));
        }
    }
}

} // namespace

std::string_view sectionName(Section section) {
    return tableOf(section).name;
}

std::optional<Section> sectionFromName(std::string_view name) {
    for (const SectionTable& table : kSections) {
        if (equalsIgnoringCase(table.name, trimBlanks(name))) return table.section;
    }
    return std::nullopt;
}

bool holdsProfileSection(const std::vector<std::string>& sectionNames) {
    for (const std::string& name : sectionNames)
        if (sectionFromName(name)) return true;
    return false;
}

std::string KeySpec::defaultText() const {
    return form == ValueForm::Text ? std::string(textDefault) : std::to_string(numberDefault);
}

std::vector<KeySpec> keysOf(Section section, int portCount) {
    portCount = portCount == 3 ? 3 : 5; // every model but the R30 has five ports
    const std::span<const KeyPattern> rows = tableOf(section).keys;
    std::vector<KeySpec> out;
    for (std::size_t i = 0; i < rows.size();) {
        if (!rows[i].perDayType) {
            expand(rows[i], 0, portCount, out);
            ++i;
            continue;
        }
        // A block of day-type rows is written whole for "M", then whole for "S".
        std::size_t end = i;
        while (end < rows.size() && rows[end].perDayType)
            ++end;
        for (const char dayType : {'M', 'S'}) {
            for (std::size_t r = i; r < end; ++r)
                expand(rows[r], dayType, portCount, out);
        }
        i = end;
    }
    return out;
}

bool programOnlyKey(std::string_view key) {
    constexpr std::array<std::string_view, 5> kPrefixes = {"LANGUAGE", "SOUNDON", "PORTIDX",
                                                           "ALIAS", "PROVIDER"};
    for (std::string_view p : kPrefixes) {
        if (key.substr(0, p.size()) == p) return true;
    }
    return false;
}

} // namespace quorvex::profile
