#include "core/port_symbols.h"

#include <cstdio>

namespace quorvex::core {

SymbolSet symbolSet(SymbolKind kind) {
    switch (kind) {
    case SymbolKind::Analog:
    case SymbolKind::AnalogMarked:
        return {300, 15};
    case SymbolKind::Data:
    case SymbolKind::DataMarked:
        return {315, 6};
    case SymbolKind::Language:
        return {344, 2};
    }
    return {300, 15};
}

int clampPicture(SymbolKind kind, int picture) {
    return picture >= 0 && picture < symbolSet(kind).count ? picture : 0;
}

std::string portSymbolKey(int index) {
    char key[24];
    std::snprintf(key, sizeof key, "PORTIDX%d", index);
    return key;
}

void PortSymbol::load(ProfileStore& store, int selector) {
    picture_ =
        clampPicture(kind_, store.readInt(selector, kSymbolSection, portSymbolKey(index_), 0));
}

bool PortSymbol::save(ProfileStore& store, int selector, WriteReport& report) const {
    return report.write(store, selector, kSymbolSection, portSymbolKey(index_),
                        std::to_string(picture_));
}

bool PortSymbol::choose(int menuCommand, ProfileStore& store, WriteReport& report) {
    SymbolSet set = symbolSet(kind_);
    int picture = menuCommand - set.firstCommand;
    if (picture < 0 || picture >= set.count) return false;
    picture_ = picture;
    // The choice lives in the default profile from this moment, before any send.
    if (kind_ != SymbolKind::Language) save(store, kDefaultProfile, report);
    return true;
}

PortSymbolRow::PortSymbolRow()
    : symbols_{PortSymbol(0, SymbolKind::Analog), PortSymbol(1, SymbolKind::Analog),
               PortSymbol(2, SymbolKind::Analog), PortSymbol(3, SymbolKind::Analog),
               PortSymbol(4, SymbolKind::Analog), PortSymbol(kDataSymbolIndex, SymbolKind::Data)} {}

bool PortSymbolRow::present(int index, int portCount) {
    return index == kDataSymbolIndex || (index >= 0 && index < portCount && index < 5);
}

void PortSymbolRow::load(ProfileStore& store, int selector, int portCount) {
    for (PortSymbol& s : symbols_) {
        if (present(s.index(), portCount)) s.load(store, selector);
    }
}

void PortSymbolRow::save(ProfileStore& store, int selector, int portCount,
                         WriteReport& report) const {
    for (const PortSymbol& s : symbols_) {
        if (present(s.index(), portCount)) s.save(store, selector, report);
    }
}

} // namespace quorvex::core
