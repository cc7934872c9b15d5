#pragma once
// Every setting the program keeps, one row each: its profile section and key
// pattern, the value form, range and load default, the driver command that
// carries it (by its DRV_ name) with the port and index the command takes
// and the record field the value travels in, and the page that owns it.
// The profile's key tables, the pages' items, the device check's plan and
// the command line's get/set checks are all made from these rows; a new
// setting is one new row.

#include "driver/api/r70com32.h"

#include <climits>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvex::profile {

enum class Section { Back, Set, Msn, Accep, ShortDial, Forward, Filter, Data, Lcr, Timer };

// "BACK_DIV", "SET_DIV", ...: the one place that spells the section names.
constexpr std::string_view sectionName(Section section) {
    switch (section) {
    case Section::Back:
        return "BACK_DIV";
    case Section::Set:
        return "SET_DIV";
    case Section::Msn:
        return "MSN_DIV";
    case Section::Accep:
        return "ACCEP_DIV";
    case Section::ShortDial:
        return "SHORTDIAL_DIV";
    case Section::Forward:
        return "FORWARD_DIV";
    case Section::Filter:
        return "FILTER_DIV";
    case Section::Data:
        return "DATA_DIV";
    case Section::Lcr:
        return "LCR_DIV";
    case Section::Timer:
        return "TIMER_DIV";
    }
    return {};
}

enum class ValueForm {
    Text,    // written as it is
    Decimal, // written "%d"; read as the leading decimal number
    Switch,  // written "0" or "1"; read as on when non-zero
};

// Which indexes fill a %d of a key pattern.
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
    constexpr bool operator==(const IndexRange&) const = default;
};

// What the driver command takes as nPort.
enum class PortForm {
    Fixed,      // the row's port (the data port 0, a register selector, ...)
    AnalogPort, // the port number of the key's first index p ("11", "21", ...)
    PortOrData, // as AnalogPort, and the data port (0) for index 5
    DayType,    // the LCR day type: 0 for "M", 1 for "S"
};

// What the driver command takes as nIndex.
enum class IndexForm {
    Zero,   // 0
    First,  // the key's first index
    Second, // the key's second index
};

// The field of the driver record that carries the value.
enum class RecordField {
    None,   // the program keeps it, no command carries it
    Flag,   // bFlag
    Number, // nValue
    Text,   // szText
    Text2,  // szText2
    Text3,  // szText3
    Index,  // nIndex (data protocol frame size, EID class, BOD registers)
    Aux,    // nAux (the data protocol index)
    From,   // nFrom (LCR from hour)
    To,     // nTo (LCR till hour)
    Time,   // the hour and minute bytes (op 4 of DRV_PORTTIMER)
};

struct Setting {
    std::string_view format; // the key pattern; %d: an index, %s: the day-type letter
    ValueForm form = ValueForm::Text;
    std::string_view textDefault = {};
    int numberDefault = 0;
    int minValue = INT_MIN; // range of a decimal value where the device fixes one
    int maxValue = INT_MAX;
    IndexRange outer = {};
    IndexRange inner = {};
    bool perDayType = false; // repeated for the "M" and then the "S" table

    uint16_t command = 0; // DRV_...; 0 with RecordField::None
    PortForm port = PortForm::Fixed;
    int32_t fixedPort = 0; // for PortForm::Fixed
    IndexForm index = IndexForm::Zero;
    int32_t aux = 0; // nAux the command needs besides the value (a protocol's register)
    RecordField field = RecordField::None;
    bool inverted = false; // bFlag holds the opposite of the value (lower volume)

    // The same row carried by a driver command.
    constexpr Setting by(uint16_t code, RecordField f, PortForm p = PortForm::Fixed,
                         IndexForm i = IndexForm::Zero) const {
        Setting s = *this;
        s.command = code;
        s.field = f;
        s.port = p;
        s.index = i;
        return s;
    }
    constexpr Setting atPort(int32_t number) const {
        Setting s = *this;
        s.fixedPort = number;
        return s;
    }
    constexpr Setting withAux(int32_t value) const {
        Setting s = *this;
        s.aux = value;
        return s;
    }
    constexpr Setting invertedFlag() const {
        Setting s = *this;
        s.inverted = true;
        return s;
    }
};

// The page that owns a section (0 MSN .. 8 timer, as the page buttons count);
// the main window owns BACK_DIV and SET_DIV.
inline constexpr int kMainWindowOwns = -1;

struct SectionRows {
    Section section;
    int page;                      // the owner, kMainWindowOwns for the main window
    std::span<const Setting> rows; // in the order a save writes them
};

// The rows of every section, in the order a full save writes the sections.
std::span<const SectionRows> settingTable();
const SectionRows& rowsOf(Section section);
// The row of a key pattern ("DELAYRING%d") in its section; nullptr when none.
const Setting* settingOf(Section section, std::string_view format);

} // namespace quorvex::profile
