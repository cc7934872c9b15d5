#pragma once
// The program's texts in English and German. A text is fetched as its English
// identifier plus the language (0 English, 1 German); texts are UTF-8, line
// breaks are "\n" and a literal ampersand in a control caption is "&&".

#include <string_view>

namespace quorvex::text {

// The text of English identifier id in language (0 or 1): entry id + language.
// Unknown identifiers give an empty text.
std::string_view get(int id, int language);

// Whether the table holds identifier id (either language's entry).
bool has(int id);

} // namespace quorvex::text
