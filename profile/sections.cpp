#include "profile/sections.h"

#include "profile/ini_document.h"

#include <algorithm>
#include <span>

namespace quorvex::profile {

namespace {

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

void expand(const Setting& row, char dayType, int page, int portCount, std::vector<KeySpec>& out) {
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
            spec.setting = &row;
            spec.page = page;
            out.push_back(std::move(spec));
        }
    }
}

} // namespace

std::optional<Section> sectionFromName(std::string_view name) {
    for (const SectionRows& table : settingTable()) {
        if (equalsIgnoringCase(sectionName(table.section), trimBlanks(name))) return table.section;
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
    const SectionRows& table = rowsOf(section);
    const std::span<const Setting> rows = table.rows;
    std::vector<KeySpec> out;
    for (std::size_t i = 0; i < rows.size();) {
        if (!rows[i].perDayType) {
            expand(rows[i], 0, table.page, portCount, out);
            ++i;
            continue;
        }
        // A block of day-type rows is written whole for "M", then whole for "S".
        std::size_t end = i;
        while (end < rows.size() && rows[end].perDayType)
            ++end;
        for (const char dayType : {'M', 'S'}) {
            for (std::size_t r = i; r < end; ++r)
                expand(rows[r], dayType, table.page, portCount, out);
        }
        i = end;
    }
    return out;
}

std::vector<KeySpec> keysPortByPort(Section section, int portCount) {
    std::vector<KeySpec> keys = keysOf(section, portCount);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeySpec& a, const KeySpec& b) { return a.first < b.first; });
    return keys;
}

bool programOnlyKey(std::string_view key) {
    // The rows no driver command carries, by the text before their first index.
    for (const SectionRows& table : settingTable()) {
        for (const Setting& row : table.rows) {
            if (row.command != 0) continue;
            const std::string_view prefix = row.format.substr(0, row.format.find('%'));
            if (key.substr(0, prefix.size()) == prefix) return true;
        }
    }
    return false;
}

} // namespace quorvex::profile
