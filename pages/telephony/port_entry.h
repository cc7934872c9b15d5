#pragma once
// A number field that may name an internal port: the one rule the short dial,
// call forwarding and call filter pages share (Parts 4.3-4.5 with 4.7).
//
// The device knows an internal port only as a star code ("*21"); the user
// knows it by the name given on the MSN page. So an entry is held three times:
//
//   displayed  what the field shows (and what the user typed)
//   stored     what is sent to the device: digits, or "*" plus a port number
//   confirmed  what the device is known to hold
//
// Value -> display: a stored star code shows the port's current name from the
// device-state cache; anything else shows as stored.
// Display -> value (commit), whichever way the value came in:
// - typed text: exactly a port name is stored as "*" plus that port's number;
//   a typed star code is stored as typed and then shown as the port's name;
//   a text the classifier finds incomplete ("*", "*2", the beginning of a
//   name) or invalid is not stored: the entry returns to its confirmed value
//   (accepted while typing, it would reach the device as a caller number);
//   any other text is stored as typed;
// - a value from the device or a profile, still showing as derived: a star
//   code or a number stays as it is (a port may be named "110"); any other
//   port's name becomes its star code (a profile written by hand, or a
//   device that took a name an older version sent, would otherwise have the
//   name itself sent again); anything else stays.
// Every port's name counts, whatever the model, as every star code does
// ("*32" is accepted on a three-port model too).
//
// Two guards keep a stored value from changing behind the user's back:
// - a field whose text is still the one derived from its stored star code
//   commits to that star code (two ports with the same name, or a port
//   renamed since the field was filled, would otherwise turn "*22" into
//   "*21" or into the bare name);
// - a star code whose port has no name yet shows as the star code itself.
//
// Usage (one PortEntry per field; names = the page's port names):
//   entry.reset(fromDevice, names);          // read: stored = confirmed = value
//   entry.setDisplayed(typed);               // every keystroke of the widget
//   entry.commit(names);                     // before send / change check / on leave
//   if (entry.changed()) send(entry.stored()) ... entry.confirm();
//   entry.discard(names);                    // back to the device's value
//   entry.rederive(names);                   // a port was renamed: new display
// A change check that must not commit asks unsentAfterCommit(names).

#include "core/number_classifier.h"
#include "core/page_items.h"

#include <string>
#include <string_view>

namespace quorvex::telephony {

inline constexpr int kPortNameCount = 5;
// The message for a text the classifier rejects: "Please enter a phone number. ..."
inline constexpr int kTextPhoneNumber = 9000;

// classify() results that name a port: 3-7 a port's name, 8-12 a star code.
inline constexpr int kClassInvalid = 0;
inline constexpr int kClassNumber = 1;
inline constexpr int kClassIncomplete = 2;
inline constexpr int kClassFirstName = 3;
inline constexpr int kClassFirstStar = 8;

// "*11" ... "*32" for port index 0-4; empty for any other index.
std::string starCode(int portIndex);
// True for the texts "*11" ... "*32" themselves, whatever the ports are named.
bool isStarCode(std::string_view text);
// The port index (0-4) a text names as a star code, or -1.
int starCodePort(std::string_view text, const core::PortNames& names);
// The port index (0-4) whose name is exactly text (by the classifier), or -1.
int namedPort(std::string_view text, const core::PortNames& names);

// Value -> display: a star code shows the port's name (when it has one).
std::string displayText(std::string_view stored, const core::PortNames& names);
// A typed text -> value: exactly a port's (non-empty) name becomes its star
// code; anything else is stored as typed.
std::string storedValue(std::string_view displayed, const core::PortNames& names);
// A value from the device or a profile in the form the device takes: a star
// code or a number stays as it is, anything else as storedValue().
std::string storedForm(std::string_view value, const core::PortNames& names);
// Whether a typed text may not be stored: incomplete or invalid.
bool halfTyped(std::string_view displayed, const core::PortNames& names);

class PortEntry {
public:
    const std::string& displayed() const { return displayed_; }
    const std::string& stored() const { return value_.edited; }
    const std::string& confirmed() const { return value_.confirmed; }
    bool changed() const { return value_.changed(); }
    // The user typed since the display was last derived (not yet committed).
    bool pending() const { return displayed_ != derived_; }
    // The stored/confirmed pair, for walking an core::ItemTable (read, send,
    // load, save); call rederive() after the table changed it.
    core::Item<std::string>& item() { return value_; }

    // The user's text; nothing else changes until commit().
    void setDisplayed(std::string text) { displayed_ = std::move(text); }
    // A value from the device: stored and confirmed; the display follows.
    // fromDevice = false: a stand-in the device never gave (a failed query).
    void reset(std::string value, const core::PortNames& names, bool fromDevice = true);
    // The device vouched for the confirmed value in this run.
    bool known() const { return value_.known; }
    // A value from a profile: stored only; the display follows.
    void setStored(std::string value, const core::PortNames& names);
    // Display -> stored value by the rule above, then the display is derived
    // again from the stored value. False when a half-typed text was undone.
    bool commit(const core::PortNames& names);
    // The stored value commit() would leave; nothing changes.
    std::string committedValue(const core::PortNames& names) const;
    // After a commit the entry would differ from what the device holds.
    bool unsentAfterCommit(const core::PortNames& names) const {
        return value_.stale || committedValue(names) != value_.confirmed;
    }
    // Stored := confirmed; the display follows.
    void discard(const core::PortNames& names);
    // Confirmed := stored (the device took it).
    void confirm() { value_.confirm(); }
    // Display := derived from the stored value with the current names.
    void rederive(const core::PortNames& names);

private:
    core::Item<std::string> value_; // edited = the stored value
    std::string displayed_;
    std::string derived_; // the display text last derived from the stored value
};

} // namespace quorvex::telephony
