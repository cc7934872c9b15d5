#include "resources/text_table.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quorvex::text {

namespace {

#define QX_TEXT(id, english, german)                                                               \
    TextEntry{(id), TextRole::English, english}, TextEntry{(id) + 1, TextRole::German, german},
#define QX_SOLO(id, single) TextEntry{(id), TextRole::Single, single},

constexpr TextEntry kTexts[] = {
#include "resources/texts.def"
};

#undef QX_TEXT
#undef QX_SOLO

constexpr bool strictlyAscending() {
    for (std::size_t i = 1; i < std::size(kTexts); ++i) {
        if (kTexts[i - 1].id >= kTexts[i].id) return false;
    }
    return true;
}

// Lookup is a binary search, so the rows must stay sorted; a duplicate identifier
// (two rows claiming the same text) fails the build here.
static_assert(strictlyAscending(), "texts.def: identifiers must be unique and ascending");

const TextEntry* find(int id) {
    const auto* it = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                      [](const TextEntry& e, int key) { return e.id < key; });
    return (it != std::end(kTexts) && it->id == id) ? it : nullptr;
}

} // namespace

std::string_view get(int id, int language) {
    const int offset = language == kGerman ? kGerman : kEnglish;
    if (id > std::numeric_limits<int>::max() - offset) return {};
    const TextEntry* entry = find(id + offset);
    return entry != nullptr ? entry->text : std::string_view{};
}

bool has(int id) {
    return find(id) != nullptr;
}

std::span<const TextEntry> allTexts() {
    return kTexts;
}

std::string fill(std::string_view pattern, std::initializer_list<std::string> args) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace quorvex::text
