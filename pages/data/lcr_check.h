#pragma once
// The least cost routing tables and the check they pass before a send.
//
// Every value is held as the device's copy and the edited copy, with a
// change mark set by the user's edits and by the check's repairs. The page
// sends by marks, so typing the old value back still counts as a change.
//
// checkForSend() is pure: tables in, repaired tables, messages and the
// verdict out.

#include <array>
#include <string>
#include <vector>

namespace quorvex::data {

inline constexpr int kLcrDayTypes = 2; // 0 Monday to Friday, 1 Saturday and Sunday
inline constexpr int kLcrBands = 6;
inline constexpr int kLcrRanges = 8;

// Messages of the check, in the order they are shown.
inline constexpr int kMsgBandsIncomplete = 9022;
inline constexpr int kMsgOverlap = 9012;
inline constexpr int kMsgRange = 9018;

template <typename T> struct Marked {
    T device{};
    T edited{};
    bool mark = false;
    // The device vouched for the device copy in this run (see core::Item::known).
    bool known = false;

    // A value read from the device (or sent): both copies, no mark.
    // fromDevice = false: the stand-in for a query that failed.
    void reset(const T& value, bool fromDevice = true) {
        device = value;
        edited = value;
        mark = false;
        known = fromDevice;
    }
    void set(const T& value) {
        edited = value;
        mark = true;
    }
    void discard() {
        edited = device;
        mark = false;
    }
    bool operator==(const Marked&) const = default;
};

struct LcrBand {
    Marked<std::string> from;     // "" or an hour 0..23
    Marked<std::string> till;     // "" or an hour 1..24
    Marked<std::string> predial;  // up to 5 digits
    Marked<std::string> provider; // kept in the profiles only
    Marked<bool> local;           // applies to local calls
    Marked<bool> active;
    bool operator==(const LcrBand&) const = default;
};

struct LcrRange {
    Marked<std::string> from; // up to 5 digits, beginning with "0"
    Marked<std::string> to;   // the same length as from
    Marked<bool> active;
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
