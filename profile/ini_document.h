#pragma once
// The text of an initialisation file, parsed once: pure functions, no I/O.
//
// Syntax as the Windows profile functions read it: a line whose first
// non-blank character is "[" and that holds a "]" opens a section (the name
// is what lies between the "[" and the last "]", trimmed); any other non-blank
// line is a key, split at the first "=" (name and value trimmed; a line
// without "=" is a key without value). Lines before the first section belong
// to a section with the empty name. Lines end with CR, LF or CR LF; a UTF-8
// byte-order mark at the start and a ^Z at the end are not part of the text.
// A file with a UTF-16 byte-order mark (Windows' "Unicode") is read as the
// UTF-8 text it holds and written back in UTF-16 with its mark.

#include "profile/text_encoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::profile {

struct IniLine {
    enum class Kind { Blank, Header, Key };
    Kind kind = Kind::Blank;
    std::size_t begin = 0;     // first byte of the line in the document's text
    std::size_t end = 0;       // one past its last byte, line ending excluded
    std::size_t eolEnd = 0;    // one past its line ending
    std::size_t nameBegin = 0; // the section or key name, trimmed
    std::size_t nameSize = 0;
    std::size_t valueBegin = 0; // the value, trimmed (raw: quotes are still there)
    std::size_t valueSize = 0;
    bool hasValue = false; // the key line holds an "="
};

class IniDocument {
public:
    explicit IniDocument(std::string text);

    const std::string& text() const { return text_; }
    const std::vector<IniLine>& lines() const { return lines_; }
    std::string_view nameOf(const IniLine& line) const {
        return std::string_view(text_).substr(line.nameBegin, line.nameSize);
    }
    std::string_view valueOf(const IniLine& line) const {
        return std::string_view(text_).substr(line.valueBegin, line.valueSize);
    }
    // The file's own line ending: that of its first line, CR LF when it has none.
    std::string_view lineEnding() const { return eol_; }

    // The raw value of key in the first section of that name, the first key of
    // that name within it; nullopt when one of them is missing or the key line
    // has no "=". Names are trimmed and compared without regard to ASCII case.
    std::optional<std::string_view> rawValue(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;

    // Names of all sections in file order (duplicates included, the unnamed
    // leading section left out), as the Windows section list gives them.
    std::vector<std::string> sectionNames() const;
    // Names of the keys with a value in the first section of that name, in
    // file order; comment lines (";...") are left out.
    std::vector<std::string> keyNames(std::string_view section) const;

    // The whole file with key=value written into section: the value replaced
    // on the key's own line, a new key after the last key of its section, a
    // new section at the end of the file. Every other line stays byte for
    // byte. nullopt when the file already holds that value (nothing to write).
    // Names and value must have passed checkWrite.
    std::optional<std::string> withValue(std::string_view section, std::string_view key,
                                         std::string_view value) const;

private:
    struct Range {
        std::size_t header; // index of the header line, npos for the leading section
        std::size_t first;  // first line after the header
        std::size_t last;   // one past the last line of the section
    };
    std::optional<Range> findSection(std::string_view section) const;

    std::string text_; // the file without byte-order mark and trailing ^Z, UTF-16 as UTF-8
    std::string bom_;  // the byte-order mark, when the file had one
    std::optional<ByteOrder> utf16_; // the file is UTF-16 in this byte order
    std::string trailer_;            // the trailing ^Z, when the file had one
    std::string_view eol_;           // points into a static string
    std::vector<IniLine> lines_;
};

// Why key=value may not be written into section, or nullopt when it may: a
// value with CR, LF or NUL would make further lines; a key with "=" could never
// be read back; a key starting with "[" would read as a section; a section
// name with "]" would be cut short. Empty names are refused as well.
std::optional<std::string> checkWrite(std::string_view section, std::string_view key,
                                      std::string_view value);

// Names and values as the file compares them.
std::string_view trimBlanks(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// One pair of matching outer quotes (" or ') removed.
std::string_view unquote(std::string_view value);

} // namespace quorvex::profile
