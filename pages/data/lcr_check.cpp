#include "pages/data/lcr_check.h"

#include <utility>

namespace quorvex::data {

namespace {

constexpr int kHourPositions = 25; // hours 0..24
constexpr int kFreeBandHour = 26;  // an empty from hour sorts after every real one

// Sets a value and marks it, but only when it really changes.
template <typename T> bool change(Item<T>& item, const T& value) {
    if (item.edited == value) return false;
    item.set(value);
    return true;
}

// Step 1. True when a band was emptied.
bool emptyIncompleteBands(LcrDayTable& day) {
    bool any = false;
    for (LcrBand& band : day.bands) {
        const int filled = int(!band.from.edited.empty()) + int(!band.till.edited.empty()) +
                           int(!band.predial.edited.empty()) + int(!band.provider.edited.empty());
        if (filled == 0 || filled == 4) continue;
        any = true;
        change(band.from, std::string());
        change(band.till, std::string());
        change(band.provider, std::string());
        // The prefix is cleared on the device too, whatever the page thought
        // the device held: a stale prefix must not survive on its own.
        if (!band.predial.edited.empty() || !band.predial.confirmed.empty()) {
            band.predial.set(std::string());
        }
        band.predial.confirmed.clear();
        change(band.local, false);
        change(band.active, true);
    }
    return any;
}

// Step 2, the finding: reversed hours, or hours another band already covers.
bool hasOverlap(const LcrDayTable& day) {
    std::array<bool, kHourPositions> taken{};
    bool overlap = false;
    for (const LcrBand& band : day.bands) {
        if (band.from.edited.empty() || band.till.edited.empty()) continue;
        const int f = hourValue(band.from.edited);
        const int t = hourValue(band.till.edited);
        if (f >= t || t >= kHourPositions) {
            overlap = true;
            continue;
        }
        bool clash = false;
        for (int h = f; h < t; ++h)
            clash = clash || taken[std::size_t(h)];
        if (clash) {
            overlap = true;
            continue;
        }
        for (int h = f; h < t; ++h)
            taken[std::size_t(h)] = true;
    }
    return overlap;
}

// Step 2, the repair: every band's hours go back to what the device holds.
void restoreHours(LcrDayTable& day) {
    for (LcrBand& band : day.bands) {
        band.from.set(band.from.confirmed);
        band.till.set(band.till.confirmed);
        if (band.from.edited.empty()) {
            band.predial.set(std::string());
            band.predial.confirmed.clear();
            band.provider.set(std::string());
            band.provider.confirmed.clear();
        }
    }
}

int sortHour(const LcrBand& band) {
    return band.from.edited.empty() ? kFreeBandHour : hourValue(band.from.edited);
}

void exchange(LcrBand& a, LcrBand& b) {
    std::swap(a.from.edited, b.from.edited);
    std::swap(a.till.edited, b.till.edited);
    std::swap(a.predial.edited, b.predial.edited);
    std::swap(a.predial.confirmed, b.predial.confirmed);
    std::swap(a.provider.edited, b.provider.edited);
    std::swap(a.local.edited, b.local.edited);
    std::swap(a.active.edited, b.active.edited);
    for (LcrBand* band : {&a, &b}) {
        band->from.mark = band->till.mark = band->predial.mark = true;
        band->provider.mark = band->local.mark = band->active.mark = true;
    }
}

// Step 3: an exchange sort, so equal hours keep their rows.
void sortBands(LcrDayTable& day) {
    for (int i = 0; i < kLcrBands - 1; ++i) {
        for (int k = i + 1; k < kLcrBands; ++k) {
            if (sortHour(day.bands[std::size_t(i)]) > sortHour(day.bands[std::size_t(k)])) {
                exchange(day.bands[std::size_t(i)], day.bands[std::size_t(k)]);
            }
        }
    }
}

bool rangeLengthsDiffer(const LcrDayTable& day) {
    for (const LcrRange& range : day.ranges) {
        if (range.from.edited.size() != range.to.edited.size()) return true;
    }
    return false;
}

bool rangeEmpty(const LcrRange& range) {
    return range.from.edited.empty() && range.to.edited.empty();
}

// Step 5: filled ranges move up into empty rows, in their order.
void packRanges(LcrDayTable& day) {
    for (std::size_t i = 0; i < day.ranges.size(); ++i) {
        if (!rangeEmpty(day.ranges[i])) continue;
        std::size_t j = i + 1;
        while (j < day.ranges.size() && rangeEmpty(day.ranges[j]))
            ++j;
        if (j == day.ranges.size()) return;
        LcrRange& to = day.ranges[i];
        LcrRange& from = day.ranges[j];
        to.from.set(from.from.edited);
        to.to.set(from.to.edited);
        from.from.set(std::string());
        from.to.set(std::string());
        std::swap(to.active.edited, from.active.edited);
        to.active.mark = from.active.mark = true;
    }
}

} // namespace

int hourValue(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value < 1000) value = value * 10 + (c - '0');
    }
    return value;
}

LcrCheckOutcome checkForSend(const LcrTables& tables) {
    LcrCheckOutcome out;
    out.tables = tables;
    bool incomplete = false;
    for (LcrDayTable& day : out.tables)
        incomplete = emptyIncompleteBands(day) || incomplete;

    for (const LcrDayTable& day : out.tables)
        out.overlap = hasOverlap(day) || out.overlap;
    if (out.overlap) {
        for (LcrDayTable& day : out.tables)
            restoreHours(day);
    } else {
        for (LcrDayTable& day : out.tables)
            sortBands(day);
    }

    for (const LcrDayTable& day : out.tables)
        out.rangeMismatch = rangeLengthsDiffer(day) || out.rangeMismatch;
    if (!out.rangeMismatch) {
        for (LcrDayTable& day : out.tables)
            packRanges(day);
    }

    if (incomplete) out.messages.push_back(kMsgBandsIncomplete);
    if (out.overlap) out.messages.push_back(kMsgOverlap);
    if (out.rangeMismatch) out.messages.push_back(kMsgRange);
    return out;
}

} // namespace quorvex::data
