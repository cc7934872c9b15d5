#pragma once
// The bandwidth-on-demand dialog without its widgets: the four thresholds
// with which the device adds a second B-channel to a MultiLink PPP
// connection when the throughput stays high and drops it when it stays low.
// The dialog talks to no device; the data page hands the four values in and
// takes them back whatever button closed the dialog.

#include "core/page.h"

#include <array>
#include <string>
#include <string_view>

namespace quorvex::data {

struct BodValues {
    int highWater = 45;   // kbit/s
    int lowWater = 30;    // kbit/s
    int highDuration = 2; // minutes
    int lowDuration = 2;  // minutes
    bool operator==(const BodValues&) const = default;
};

// The four fields, in the order of the dialog.
enum class BodField { HighWater, HighDuration, LowWater, LowDuration };
inline constexpr int kBodFieldCount = 4;

// Control ids of the dialog's fields (for focus and the widget's binding).
inline constexpr int kBodHighWaterControl = 2401;
inline constexpr int kBodHighDurationControl = 2402;
inline constexpr int kBodLowWaterControl = 2403;
inline constexpr int kBodLowDurationControl = 2404;
int bodControlId(BodField field);
// What the dialog takes over from a field (and so from the device): a water
// mark 0..128, a duration 1..60.
struct BodRange {
    int min, max;
};
BodRange bodAcceptedRange(BodField field);

inline constexpr int kMsgBodWater = 9026;
inline constexpr int kMsgBodHighBelowLow = 9028;
inline constexpr int kMsgBodDuration = 9030;

// The check made while typing: 0 when the text may stand, else the message
// (9024 a character other than a digit, 9026 a water mark outside 0..64,
// 9030 a duration outside 1..60). An empty text is not checked.
int bodTypingError(BodField field, std::string_view text);

class BodDialog {
public:
    // soundOn: beep before OK's work, as every button of the program does.
    BodDialog(core::PageUi& ui, BodValues opening, bool soundOn);

    // What the field shows now.
    const std::string& text(BodField field) const;
    // The user changed a field's text. A rejected text: message, the field
    // returns to its opening value, the fields are refreshed, the field gets
    // the focus. Returns whether the text was accepted.
    bool fieldChanged(BodField field, std::string_view text);

    // OK: the fields become the values (an empty or unusable field keeps its
    // opening value); a high water below the low water pulls the low water
    // down to it with message 9028. The dialog then closes with result().
    BodValues ok();
    // Cancel: the values as they were passed.
    BodValues cancel() const { return opening_; }

    BodValues result() const { return result_; }
    BodValues opening() const { return opening_; }

private:
    static int& valueOf(BodValues& values, BodField field);
    static std::size_t slot(BodField field) { return static_cast<std::size_t>(field); }

    core::PageUi& ui_;
    BodValues opening_;
    BodValues result_;
    bool soundOn_;
    std::array<std::string, kBodFieldCount> texts_;
};

} // namespace quorvex::data
