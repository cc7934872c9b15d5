#pragma once
// The program's texts in English and German. A text is fetched as its English
// identifier plus the language (0 English, 1 German); texts are UTF-8, line
// breaks are "\n" and a literal ampersand in a control caption is "&&".
// The texts themselves live in resources/texts.def, one row per pair.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::text {

constexpr int kEnglish = 0;
constexpr int kGerman = 1;

// How an entry of the table is meant to be fetched.
enum class TextRole {
    English, // the first of a pair: fetched as id + language
    German,  // the second of a pair (id - 1 is its English twin)
    Single,  // used as it is in both languages (the credits, the application title)
};

struct TextEntry {
    int id;
    TextRole role;
    std::string_view text;
};

// The text of English identifier id in language (0 or 1): entry id + language.
// A language other than 1 counts as English. Unknown identifiers give an empty text.
std::string_view get(int id, int language);

// Whether the table holds identifier id (either language's entry).
bool has(int id);

// pattern with %1 ... %9 replaced by args; a mark without its argument gives nothing.
std::string fill(std::string_view pattern, std::initializer_list<std::string> args);

// Every entry, in ascending identifier order (for checks of the ids the program uses).
std::span<const TextEntry> allTexts();

} // namespace quorvex::text
