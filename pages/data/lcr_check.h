#pragma once
// The least cost routing tables and the check they pass before a send.
//
// Every value is a core::Item: the device's copy (confirmed) and the edited
// copy, with the change mark set by the user's edits and by the check's
// repairs. The page sends by marks, so typing the old value back still counts
// as a change.
//
// checkForSend() is pure: tables in, repaired tables, messages and the
// verdict out.

#include "core/page_items.h"

#include <array>
#include <string>
#include <vector>

namespace quorvex::data {

using core::Item;

inline constexpr int kLcrDayTypes = 2; // 0 Monday to Friday, 1 Saturday and Sunday
inline constexpr int kLcrBands = 6;
inline constexpr int kLcrRanges = 8;

// Messages of the check, in the order they are shown.
inline constexpr int kMsgBandsIncomplete = 9022;
inline constexpr int kMsgOverlap = 9012;
inline constexpr int kMsgRange = 9018;

struct LcrBand {
    Item<std::string> from;     // "" or an hour 0..23
    Item<std::string> till;     // "" or an hour 1..24
    Item<std::string> predial;  // up to 5 digits
    Item<std::string> provider; // kept in the profiles only
    Item<bool> local;           // applies to local calls
    Item<bool> active;
    bool operator==(const LcrBand&) const = default;
};

struct LcrRange {
    Item<std::string> from; // up to 5 digits, beginning with "0"
    Item<std::string> to;   // the same length as from
    Item<bool> active;
    bool operator==(const LcrRange&) const = default;
};

struct LcrDayTable {
    std::array<LcrBand, kLcrBands> bands;
    std::array<LcrRange, kLcrRanges> ranges;
    bool operator==(const LcrDayTable&) const = default;
};

using LcrTables = std::array<LcrDayTable, kLcrDayTypes>;

// The number of an hour text: its leading digits ("08" -> 8), 0 when it has
// none; capped so that no text can overflow it.
int hourValue(const std::string& text);

struct LcrCheckOutcome {
    LcrTables tables;          // repaired
    std::vector<int> messages; // each at most once: 9022, 9012, 9018
    bool overlap = false;      // hours were restored to the device's values
    bool rangeMismatch = false;
    // The send goes ahead only when neither an overlap nor a range of unequal
    // lengths was found. After an overlap the user sees the restored hours
    // and sends again.
    bool allowed() const { return !overlap && !rangeMismatch; }
};

// The check before a send, over both day types:
// 1. a band whose four texts are partly filled is emptied (9022);
// 2. overlapping or reversed hours put every band's hours back to the
//    device's values (9012) and skip step 3;
// 3. the bands are sorted by their from hour, free bands last;
// 4. a range whose two ends differ in length blocks the send (9018) and
//    skips step 5;
// 5. filled ranges move up into empty rows, keeping their order.
LcrCheckOutcome checkForSend(const LcrTables& tables);

} // namespace quorvex::data
