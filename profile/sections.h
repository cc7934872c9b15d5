#pragma once
// The sections of a profile and their keys, as data: which keys a section
// holds for a model, in the order a save writes them, with the form of each
// value and the default a load uses when the key is missing.

#include "profile/setting_table.h"

#include <array>
#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::profile {

// The order in which a full save writes the sections (and a full load reads them).
inline constexpr std::array<Section, 10> kSectionOrder = {
    Section::Back,    Section::Set,    Section::Msn,  Section::Accep, Section::ShortDial,
    Section::Forward, Section::Filter, Section::Data, Section::Lcr,   Section::Timer,
};

// The section of that name (compared without regard to case), if it is one of ours.
std::optional<Section> sectionFromName(std::string_view name);
// True when one of the names is a section of a profile. A file without any is
// no profile (empty, another kind of file, or text we cannot read), and a
// load of it would send every default to the device.
bool holdsProfileSection(const std::vector<std::string>& sectionNames);

struct KeySpec {
    std::string name;        // the concrete key, e.g. "AMSN21"
    std::string_view format; // the pattern it was made from, e.g. "AMSN%d%d"
    ValueForm form = ValueForm::Text;
    std::string_view textDefault; // load default of a text value
    int numberDefault = 0;        // load default of a decimal or switch value
    int minValue = INT_MIN;       // range of a decimal value where the device fixes one
    int maxValue = INT_MAX;
    int first = -1; // the first index (port p, filter list k, band i, range r, control n), -1: none
    int second = -1;                  // the second index (MSN j, entry i, number j), -1: none
    char dayType = 0;                 // 'M' (Monday to Friday) or 'S' (weekend) in LCR_DIV, else 0
    const Setting* setting = nullptr; // the row it was made from (command, record field, ...)
    int page = kMainWindowOwns;       // the page that owns the section

    // The load default as the file would hold it: the text, or the number in decimal.
    std::string defaultText() const;
};

// The keys of a section for a device with portCount analog ports (3 for the
// R30, 5 for the R70), in the order a save writes them. Analog ports are
// indexed 0..portCount-1; a filter list or port symbol of the data port has
// the index 5, so with 3 ports lists and symbols 3 and 4 do not exist.
std::vector<KeySpec> keysOf(Section section, int portCount);

// The same keys in the order a page reads and sends them port by port: the
// keys without a port index first, then each port's keys in row order.
std::vector<KeySpec> keysPortByPort(Section section, int portCount);

// Keys the program keeps for itself (in its default profile), not the
// device: language, sound, port names and symbols, LCR provider names.
bool programOnlyKey(std::string_view key);

} // namespace quorvex::profile
