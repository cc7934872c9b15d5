// How our profile layer departs from the recorded Windows profile functions,
// case by case, with the reason: shared by the test against the recording and
// the test against the system's own functions under Wine.
#ifndef TESTS_SUPPORT_INI_VECTOR_DEVIATIONS_H
#define TESTS_SUPPORT_INI_VECTOR_DEVIATIONS_H

#include <nlohmann/json.hpp>

#include <climits>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// The recording names the functions' shapes with NULL pointers for deleting
// keys and sections and for the flush request. The program never deletes or
// flushes, so these are not implemented (listing with a NULL section or key is,
// as sectionNames() / keyNames()).
inline const std::set<std::string> kNotImplemented = {
    "w_delete_key",
    "w_delete_missing_key",
    "w_delete_last_key",
    "w_delete_section",
    "w_delete_section_comments",
    "w_delete_section_with_value",
    "w_delete_missing_section",
    "w_delete_section_other_case",
    "w_delete_dup_section",
    "w_delete_dup_key",
    "w_null_section",
    "w_flush_all_null",
    "w_delete_key_missing_file",
    "w_delete_section_missing_file",
};

// Number reads: the leading decimal number or the key's default; beyond the
// range of int we clamp (the recording wraps modulo 2^32).
inline const std::map<std::string, int> kOurNumbers = {
    {"gi_alpha", 99},         // no leading digits: the default (recorded 0)
    {"gi_sign_blank", 99},    // "- 7": no digits after the sign (recorded 0)
    {"gi_minus_only", 99},    // "-": no digits (recorded 0)
    {"gi_hex", 0},            // "0x10": the decimal number is 0 (recorded 16)
    {"gi_bin", 0},            // "0b101" (recorded 5)
    {"gi_oct_prefix", 0},     // "0o17" (recorded 15)
    {"gi_overflow", INT_MAX}, // 2^32: clamped (recorded 0)
    {"gi_overflow_plus1", INT_MAX},
    {"gi_int_max_plus1", INT_MAX}, // 2^31: clamped (recorded INT_MIN)
    {"gi_long_digits", INT_MAX},
};

// Unsafe writes are refused and leave the file as it was (the recording wrote
// an extra key, or a line that can never be read back).
inline const std::set<std::string> kRefused = {"w_value_newline", "w_key_equals"};

// Writes whose file differs from the recording in layout only: we keep every
// untouched line byte for byte (the recording rewrites the whole file), write
// new names trimmed, keep the file's own line ending and its trailing ^Z, and
// write text as UTF-8. Every key reads the same from both files.
inline const std::map<std::string, std::string> kOurFileAfter = {
    {"w_preserve_comments_blanks", "; head comment\r\n\r\n[S]\r\n; c1\r\n  a  =  1  \r\nflag\r\n"
                                   "\r\n[T]\r\nx=1\r\ny=2\r\n"},
    {"w_key_blanks", "[S]\r\nk=v\r\n"},
    {"w_section_blanks", "[S]\r\nk=v\r\n"},
    {"w_section_blanks_existing", "[ S ]\r\na=1\r\nb=2\r\n"},
    {"w_section_trailing_text", "[S] ; note\r\na=1\r\nb=2\r\n"},
    {"enc_write_lf_file", "[S]\na=1\nb=2\n\n[T]\nx=1\n"},
    {"enc_write_ctrl_z", "[S]\r\na=1\r\nb=2\r\n\x1a"},
    {"enc_write_ansi_nonascii", "[S]\r\na=1\r\nb=caf\xC3\xA9\r\n"},
};

// The vectors spell bytes as code points U+0000..U+00FF.
inline std::string bytesOf(const nlohmann::json& value) {
    const std::string utf8 = value.get<std::string>();
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else {
            const auto b2 = static_cast<unsigned char>(utf8[++i]);
            out.push_back(static_cast<char>(((b & 0x1F) << 6) | (b2 & 0x3F)));
        }
    }
    return out;
}

// The names of a listing (section or key NULL) from its buffer bytes.
inline std::vector<std::string> listOf(const std::string& bufferBytes, std::size_t ret) {
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; i < ret && i < bufferBytes.size(); ++i) {
        if (bufferBytes[i] == '\0') {
            names.push_back(name);
            name.clear();
        } else {
            name.push_back(bufferBytes[i]);
        }
    }
    return names;
}

// Cases whose writes pass NULL pointers (delete a key or section, flush).
inline bool usesNullPointers(const nlohmann::json& c) {
    for (const nlohmann::json& op : c["ops"]) {
        if (op["fn"] == "WritePrivateProfileStringA" &&
            (op["section"].is_null() || op["key"].is_null() || op["value"].is_null())) {
            return true;
        }
    }
    return false;
}

} // namespace testsupport

#endif
