#pragma once
// What every page is made of: items with a confirmed copy (what the device is
// known to hold) and an edited copy (what the controls show), the records
// that carry them to the driver, the send report, and the item table that
// lets a page describe each item once and walk it for read, compare, send,
// discard, profile load and profile save.

#include "core/profile_store.h"
#include "driver/api/r70com32.h"
#include "profile/sections.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::core {

class CConfigApp;

inline constexpr int32_t kOpQuery = 0;
inline constexpr int32_t kOpSet = 1;
inline constexpr int32_t kOpClear = 2;
inline constexpr int32_t kOpTimeQuery = 3;
inline constexpr int32_t kOpTimeSet = 4;

// ---- records ----

DRVPARAM makeRecord(int32_t port, int32_t index, int32_t op);

// The text of a fixed char field, bounded by the field (the driver NUL-terminates,
// but a record is never trusted to).
template <std::size_t N> std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
// Copies text into a fixed char field with its NUL. False (field untouched)
// when it does not fit: a value is never sent cut short.
template <std::size_t N> bool setFieldText(char (&field)[N], std::string_view text) {
    if (text.size() >= N) return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

// A query counts when the call returned 0 and the device said OK.
inline bool queryDone(int32_t result, const DRVPARAM& r) {
    return result == 0 && r.bOk == 1;
}

enum class SendOutcome {
    Failed,          // non-zero result: no reply, not connected, or the value did not fit
    NotAcknowledged, // a reply without OK
    Done,            // result 0 and OK: the device holds the value
};
SendOutcome sendOutcome(int32_t result, const DRVPARAM& r);

// ---- items ----

template <typename T> struct Item {
    T confirmed{};
    T edited{};
    // The device vouched for the confirmed copy in this run: it answered the
    // query, or acknowledged the send. A query that failed leaves a default
    // the device never gave, which a save must not pass off as its value.
    bool known = false;
    // Set by the user's edit (set()) or a page's repair, whatever the value:
    // a page that sends by marks (SendMode::Marked) sends an item typed back
    // to its old value too.
    bool mark = false;
    // The device took new firmware since the confirmed copy was true, and a
    // new firmware may come up with its factory settings: the item counts as
    // unsent whatever the two copies say, until the device answers for it or
    // takes it again.
    bool stale = false;

    bool changed() const { return stale || confirmed != edited; }
    void set(const T& value) {
        edited = value;
        mark = true;
    }
    // The device took the edited copy.
    void confirm() {
        confirmed = edited;
        known = true;
        mark = false;
        stale = false;
    }
    // Back to the confirmed copy; an item the device may have lost stays to be sent.
    void discard() {
        edited = confirmed;
        mark = stale;
    }
    // Both copies take value: the device's answer (fromDevice), or a default
    // that stands in for a query that failed or a read not made yet.
    void reset(const T& value, bool fromDevice) {
        confirmed = value;
        edited = value;
        known = fromDevice;
        mark = false;
        stale = false;
    }
    // The device is taking new firmware: what it held no longer counts.
    void forget() {
        known = false;
        stale = true;
        mark = true;
    }
    bool operator==(const Item&) const = default;
};

// ---- the send report ----

// What became of one item a page sent: the word its report line ends with.
enum class ReportOutcome {
    Ok,            // "OK": the device holds the value (forwarding: immediately, on)
    Fail,          // "FAIL": no reply, not connected, or never sent
    NotGood,       // "NG": the LCR page's word for an item the device did not take
    On,            // "ON": forwarding if busy or after 20 seconds is on
    Off,           // "OFF": forwarding switched off
    NotSubscribed, // "2:NS": the device answered, the network does not offer the service
    Unknown,       // "3:UK": the device answered, the forwarding state is unknown
};
std::string_view reportWord(ReportOutcome outcome);
// Whether the item did not end up in the device as sent.
bool refused(ReportOutcome outcome);

struct ReportEntry {
    std::string command; // the command text the driver sent (szCmd), or what stood for it
    ReportOutcome outcome = ReportOutcome::Fail;
    bool sent = true; // false: the page never sent it (too long for the record, not a time, ...)
};

// The outcomes of a page's last send, one entry per item, in sending order.
// Kept for diagnostics and for the command line's restore summary; never
// shown by default. text() is the classic report made from them: one line
// per item, the command text, a comma, the word, "\n".
class SendReport {
public:
    void clear() { entries_.clear(); }
    // Done: "OK"; Failed: "FAIL"; NotAcknowledged: no entry.
    void add(const DRVPARAM& record, SendOutcome outcome);
    void add(std::string command, ReportOutcome outcome);
    // An item that never reached the device; standIn says which.
    void addUnsent(std::string standIn, ReportOutcome outcome = ReportOutcome::Fail);
    const std::vector<ReportEntry>& entries() const { return entries_; }
    std::string text() const;

private:
    std::vector<ReportEntry> entries_;
};

// "SECTION/KEY", the way a save names an item to the user.
std::string itemName(std::string_view section, std::string_view key);
// Such names one per line (indented), the first kListedItems of them, then
// "... (N more)", so that a message box stays on the screen.
inline constexpr std::size_t kListedItems = 20;
std::string listItems(const std::vector<std::string>& items);

// ---- the item table ----

// Where a value travels in the record.
enum class ValueField {
    Flag,   // bFlag, 0/1; a profile switch
    Number, // nValue; a profile decimal
    Text,   // szText; a profile text
    Time,   // "HH:MM" in the hour and minute bytes of szText, queried with op 3 and
            // set with op 4 (a port timer); a profile text. A text that is no
            // time is not sent and stays to be sent.
    // The data port's registers (DRV_DATAPROTO, DRV_EID, DRV_BODREG):
    Index, // nIndex; a profile decimal
    Aux,   // nAux (the protocol index); a profile decimal
};

struct ItemSpec {
    uint16_t code = 0;
    int32_t port = 0;
    int32_t index = 0;
    ValueField field = ValueField::Text;
    std::string key;     // profile key; empty: not in the profile
    int loadDefault = 0; // for Flag and Number when the key is missing
    std::string textDefault;
    // A Number, Index or Aux the device answers or a profile gives outside
    // this range becomes the nearest value in it (a selector shows no other).
    int minValue = INT_MIN;
    int maxValue = INT_MAX;
    bool inverted = false; // Flag: bFlag holds the opposite of the value
    int32_t aux = 0;       // nAux the command takes besides the value (a protocol's register)
    // Number, Index, Aux: a failed query, or an answer or a loaded value
    // outside the range, gives the load default rather than 0 or the nearest
    // value in range (a protocol or class outside its table is no setting).
    bool defaultStands = false;
};

// The item of a profile key, as its row of the setting table describes it:
// command, port, index, field, range, inversion and load default. False when
// the row has no command or travels in a field an item does not carry.
bool itemSpecOf(const profile::KeySpec& key, ItemSpec& out);
// The nPort and nIndex that carry a key (whose row is set), as its row describes them.
void recordPlaceOf(const profile::KeySpec& key, int32_t& port, int32_t& index);

enum class SendMode {
    Changed, // items whose edited copy differs from the confirmed one
    Marked,  // items the user or a repair marked (Item::mark)
    All,     // every item (after a profile load)
};

class ItemTable {
public:
    // Which items a walk takes (by table index); empty: all. A page whose
    // items count only now and then (the data page's per-protocol settings),
    // or that puts an item of its own between them, walks a part at a time.
    using Only = std::function<bool(std::size_t)>;

    void add(ItemSpec spec, Item<int>& value);
    void add(ItemSpec spec, Item<bool>& value); // ValueField::Flag
    void add(ItemSpec spec, Item<std::string>& value);

    std::size_t size() const { return entries_.size(); }
    // Save (and name unconfirmed items) in the order of keys rather than the
    // order of sending; items whose key keys lacks come after, in table order.
    void saveInOrderOf(const std::vector<profile::KeySpec>& keys);
    const ItemSpec& spec(std::size_t i) const { return entries_[i].spec; }

    bool anyChanged(const Only& only = {}) const;
    bool anyMarked() const;
    void discardAll();
    void confirmAll();
    void forgetAll(); // Item::forget on every item

    // Queries items first..last-1 (all by default) through SendDrvCmd; both
    // copies take the answer, 0 or empty when the query fails. afterEach runs
    // after every item read, before the next query.
    void read(CConfigApp& app, std::size_t first = 0, std::size_t last = SIZE_MAX,
              const std::function<void(std::size_t)>& afterEach = {});

    // Sends the items (in table order) with op 1. An item done (result 0, OK)
    // becomes confirmed; any other keeps its old confirmed copy and so stays
    // unsent. afterEach runs after every item sent. Returns the failures.
    int send(CConfigApp& app, SendReport& report, SendMode mode,
             const std::function<void(std::size_t)>& afterEach = {}, const Only& only = {});

    // "SECTION/KEY" of every item with a profile key whose confirmed copy the
    // device has not vouched for in this run (see Item::known).
    void addUnconfirmed(std::string_view section, std::vector<std::string>& out,
                        const Only& only = {}) const;

    // Edited copies := the section's values (defaults for missing keys).
    void load(ProfileStore& store, int selector, std::string_view section);
    // Writes the confirmed copies in table order; failures go into report.
    void save(ProfileStore& store, int selector, std::string_view section, WriteReport& report,
              const Only& only = {}) const;
    // The same for the items whose confirmed copy the device vouched for and
    // that are not waiting to be sent (a query or a send failed, or the device
    // was flashed): the file keeps its own value for the others.
    void saveVouched(ProfileStore& store, int selector, std::string_view section,
                     WriteReport& report) const;

private:
    void saveWhere(ProfileStore& store, int selector, std::string_view section, WriteReport& report,
                   bool vouchedOnly, const Only& only) const;

    struct Entry {
        ItemSpec spec;
        Item<int>* number = nullptr;
        Item<bool>* flag = nullptr;
        Item<std::string>* text = nullptr;
        // fn(item) on whichever item the entry holds.
        template <typename Fn> decltype(auto) visit(Fn&& fn) const {
            if (number != nullptr) return fn(*number);
            if (flag != nullptr) return fn(*flag);
            return fn(*text);
        }
        // The item's edited (or confirmed) copy as a number, for all but Text.
        int editedNumber() const { return number != nullptr ? number->edited : flag->edited; }
        int confirmedNumber() const {
            return number != nullptr ? number->confirmed : flag->confirmed;
        }
    };
    std::vector<Entry> entries_;
    std::vector<std::size_t> saveOrder_; // empty: table order
    std::vector<std::size_t> inSaveOrder() const;
};

} // namespace quorvex::core
