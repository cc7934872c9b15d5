// The initialisation-file reader over any bytes, and a write of any section,
// key and value into it: refused, or read back as written (trimmed, as the
// file compares values), with every other key of the file unchanged.
#include "profile/ini_document.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

using namespace quorvex::profile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string section(in.piece());
    const std::string key(in.piece());
    const std::string value(in.piece());
    const IniDocument doc{std::string(in.rest())};

    for (const IniLine& line : doc.lines()) {
        FUZZ_CHECK(line.begin <= line.end && line.end <= line.eolEnd);
        FUZZ_CHECK(line.eolEnd <= doc.text().size());
        (void)doc.nameOf(line);
        (void)doc.valueOf(line);
    }
    const auto sections = doc.sectionNames();
    for (const std::string& name : sections) {
        FUZZ_CHECK(doc.hasSection(name) || trimBlanks(name).empty());
        for (const std::string& k : doc.keyNames(name))
            (void)doc.rawValue(name, k);
    }

    if (checkWrite(section, key, value)) return 0; // refused, with a reason
    const std::optional<std::string> written = doc.withValue(section, key, value);
    if (!written) {
        FUZZ_CHECK(doc.rawValue(section, key) == trimBlanks(value));
        return 0;
    }
    const IniDocument after{*written};
    const auto readBack = after.rawValue(section, key);
    FUZZ_CHECK(readBack.has_value());
    FUZZ_CHECK(*readBack == trimBlanks(value));
    // No other key of the first section of each name changed.
    for (const std::string& name : sections) {
        for (const std::string& k : doc.keyNames(name)) {
            if (equalsIgnoringCase(trimBlanks(name), trimBlanks(section)) &&
                equalsIgnoringCase(trimBlanks(k), trimBlanks(key)))
                continue;
            FUZZ_CHECK(after.rawValue(name, k) == doc.rawValue(name, k));
        }
    }
    return 0;
}
