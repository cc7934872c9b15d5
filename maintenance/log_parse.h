#pragma once
// The device's call lists as text (command 29, everything after the list's
// heading) split into entries: pure text work, shared by the log book and
// the monitor window.

#include "core/number_classifier.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::maintenance {

inline constexpr int kLogListCount = 3; // 0 outgoing, 1 incoming, 2 not answered
inline constexpr int kLogMaxEntries = 10;
inline constexpr int kLogFieldCount = 6;
inline constexpr std::string_view kNoId = "No ID";

// Fields 1-6 of a line: date, time, number, status or cause, charge amount, charge unit.
struct LogEntry {
    std::array<std::string, kLogFieldCount> fields;
    const std::string& date() const { return fields[0]; }
    const std::string& time() const { return fields[1]; }
    const std::string& number() const { return fields[2]; }
    const std::string& status() const { return fields[3]; }
    const std::string& amount() const { return fields[4]; }
    const std::string& unit() const { return fields[5]; }
    bool operator==(const LogEntry&) const = default;
};

struct ParsedLog {
    std::vector<LogEntry> entries; // at most kLogMaxEntries
    bool beep = false;             // an incoming list that reads like an outgoing one
};

// Splits list `list`'s text. Blanks and tabs end a field, CR ends a field,
// an empty line (CR LF CR) ends the list, LF ends an entry; "**" and the
// words "NO" "ID" become "No ID"; list 0 keeps fields 5 and 6 and cuts a
// three-decimal charge ("1,234") to two; lists 1 and 2 drop them. A text of
// 5 characters or fewer holds nothing.
ParsedLog parseCallList(std::string_view text, int list);

// "date time", or "date    time" when the time begins with "-".
std::string logDateTime(const LogEntry& entry);

// What stands in the number column: a port code ("*21") as that port's name,
// anything else as it is.
std::string logNumberText(std::string_view number, const core::PortNames& names);

} // namespace quorvex::maintenance
