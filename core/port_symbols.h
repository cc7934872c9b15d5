#pragma once
// The port symbols without a widget: which picture each port of a page shows
// (the user's choice of what is plugged in), kept in MSN_DIV of a profile as
// "PORTIDX%d" with the control's index: 0-4 the analog ports, 5 the data port.
// The widget (CPortSymbol) paints the picture and offers the pop-up menu; it
// asks a PortSymbol what to show and hands it the menu choice.

#include "core/profile_store.h"
#include "profile/setting_table.h"

#include <array>
#include <string>

namespace quorvex::core {

// The picture sets. Kinds 3 and 4 are 0 and 1 with the on/off marker drawn over.
enum class SymbolKind : int {
    Analog = 0,       // 15 pictures, menu commands 300-314
    Data = 1,         // 6 pictures, menu commands 315-320
    Language = 2,     // the two flags (English, German), menu commands 344-345; not in a profile
    AnalogMarked = 3, //
    DataMarked = 4,   //
};

struct SymbolSet {
    int firstCommand; // menu command of picture 0
    int count;
};
SymbolSet symbolSet(SymbolKind kind);

// A picture number as a profile may hold it, made safe for kind's set: a
// number outside the set shows picture 0 (never a picture of another set,
// never past the end).
int clampPicture(SymbolKind kind, int picture);

inline constexpr int kDataSymbolIndex = 5;
inline constexpr int kSymbolCount = 6; // a page's row: five analog ports and the data port
inline constexpr std::string_view kSymbolSection = profile::sectionName(profile::Section::Msn);

// "PORTIDX%d".
std::string portSymbolKey(int index);

class PortSymbol {
public:
    PortSymbol(int index, SymbolKind kind) : index_(index), kind_(kind) {}

    int index() const { return index_; }
    SymbolKind kind() const { return kind_; }
    int picture() const { return picture_; }
    // The menu command that shows the current picture (for the check mark).
    int pictureCommand() const { return symbolSet(kind_).firstCommand + picture_; }

    // The on/off marker of kinds 3 and 4, set by the owning page.
    bool marker = false;

    // UM_PROFILELOAD (selector) and UM_SYMBOLRELOAD (the default profile):
    // "PORTIDX<index>" of MSN_DIV, 0 when missing or outside the set.
    void load(ProfileStore& store, int selector);
    // UM_PROFILESAVE: writes "PORTIDX<index>"; a failed write goes into report.
    bool save(ProfileStore& store, int selector, WriteReport& report) const;

    // A pop-up menu choice. False (nothing changes) when the command is not
    // one of this control's pictures. The analog and data sets write the
    // choice to the default profile at once (failures into report); the
    // language kind only takes it (its owner then switches the language).
    bool choose(int menuCommand, ProfileStore& store, WriteReport& report);
    // Shows picture (outside the set: picture 0); the flag kind: 0 English, 1 German.
    void setPicture(int picture) { picture_ = clampPicture(kind_, picture); }

private:
    int index_;
    SymbolKind kind_;
    int picture_ = 0;
};

// A page's row of symbols: analog ports 0-4 and the data port at index 5.
// Only the first portCount analog symbols exist in a profile (an R30 has no
// ports 31 and 32: "PORTIDX3" and "PORTIDX4" are neither read nor written).
class PortSymbolRow {
public:
    PortSymbolRow();

    PortSymbol& at(int index) { return symbols_[static_cast<std::size_t>(index)]; }
    const PortSymbol& at(int index) const { return symbols_[static_cast<std::size_t>(index)]; }
    // Whether symbol index belongs to a device with portCount analog ports.
    static bool present(int index, int portCount);

    void load(ProfileStore& store, int selector, int portCount);
    void save(ProfileStore& store, int selector, int portCount, WriteReport& report) const;

private:
    std::array<PortSymbol, kSymbolCount> symbols_;
};

} // namespace quorvex::core
