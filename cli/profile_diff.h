#pragma once
// Comparing two profiles key by key, as a load would read them: every key of
// every section for the model, a missing key counting as its load default.

#include "profile/ini_file.h"
#include "profile/sections.h"

#include <string>
#include <vector>

namespace quorvex::cli {

struct KeyDifference {
    std::string section;
    std::string key;
    std::string fileValue;
    std::string deviceValue;
    bool programOnly = false; // a key the program keeps (default profile), not the device
};

// The value a load reads for the key: the text, or the number in decimal
// (a switch as "0" or "1").
std::string loadedValue(const profile::IniSnapshot& file, std::string_view section,
                        const profile::KeySpec& key);

// Every key (sections in save order, keys in save order) where the two differ.
std::vector<KeyDifference> diffProfiles(const profile::IniSnapshot& file,
                                        const profile::IniSnapshot& device, int portCount);

} // namespace quorvex::cli
