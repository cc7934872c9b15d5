#include "cli/profile_diff.h"

#include <array>

namespace quorvex::cli {

std::string loadedValue(const profile::IniSnapshot& file, std::string_view section,
                        const profile::KeySpec& key) {
    switch (key.form) {
    case profile::ValueForm::Text:
        return file.readString(section, key.name, key.textDefault);
    case profile::ValueForm::Decimal:
        return std::to_string(file.readInt(section, key.name, key.numberDefault));
    case profile::ValueForm::Switch:
        return file.readInt(section, key.name, key.numberDefault) != 0 ? "1" : "0";
    }
    return {};
}

std::vector<KeyDifference> diffProfiles(const profile::IniSnapshot& file,
                                        const profile::IniSnapshot& device, int portCount) {
    std::vector<KeyDifference> out;
    for (profile::Section s : profile::kSectionOrder) {
        const std::string section(profile::sectionName(s));
        for (const profile::KeySpec& key : profile::keysOf(s, portCount)) {
            std::string a = loadedValue(file, section, key);
            std::string b = loadedValue(device, section, key);
            if (a != b) out.push_back({section, key.name, a, b, profile::programOnlyKey(key.name)});
        }
    }
    return out;
}

} // namespace quorvex::cli
