#include "profile/ini_document.h"

#include <algorithm>

namespace quorvex::profile {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";
constexpr std::string_view kCr = "\r";

// ^Z counts as a blank: editors of old left it at the end of a line or file.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

IniDocument::IniDocument(std::string text) {
    if (text.starts_with(kUtf16LeBom) || text.starts_with(kUtf16BeBom)) {
        utf16_ = text.starts_with(kUtf16LeBom) ? ByteOrder::Little : ByteOrder::Big;
        text = utf16ToUtf8(std::string_view(text).substr(2), *utf16_);
    } else if (text.starts_with(kBom)) {
        bom_ = kBom;
        text.erase(0, kBom.size());
    }
    if (!text.empty() && text.back() == '\x1A') {
        trailer_ = "\x1A";
        text.pop_back();
    }
    text_ = std::move(text);

    const std::string_view all(text_);
    eol_ = kCrLf;
    if (const auto first = all.find_first_of("\r\n"); first != std::string_view::npos) {
        if (all[first] == '\n') {
            eol_ = kLf;
        } else if (first + 1 >= all.size() || all[first + 1] != '\n') {
            eol_ = kCr;
        }
    }

    std::size_t pos = 0;
    while (pos < all.size()) {
        IniLine line;
        line.begin = pos;
        const auto brk = all.find_first_of("\r\n", pos);
        line.end = brk == std::string_view::npos ? all.size() : brk;
        line.eolEnd = line.end;
        if (line.eolEnd < all.size()) {
            line.eolEnd +=
                (all[line.end] == '\r' && line.end + 1 < all.size() && all[line.end + 1] == '\n')
                    ? 2
                    : 1;
        }
        pos = line.eolEnd;

        const std::string_view body = trimBlanks(all.substr(line.begin, line.end - line.begin));
        auto offsetOf = [&](std::string_view part) {
            return static_cast<std::size_t>(part.data() - all.data());
        };
        if (body.empty()) {
            lines_.push_back(line);
            continue;
        }
        const auto close = body.rfind(']');
        if (body.front() == '[' && close != std::string_view::npos) {
            const std::string_view name = trimBlanks(body.substr(1, close - 1));
            line.kind = IniLine::Kind::Header;
            line.nameBegin = name.empty() ? offsetOf(body) + 1 : offsetOf(name);
            line.nameSize = name.size();
            lines_.push_back(line);
            continue;
        }
        line.kind = IniLine::Kind::Key;
        const auto eq = body.find('=');
        const std::string_view name = trimBlanks(body.substr(0, eq));
        line.nameBegin = name.empty() ? offsetOf(body) : offsetOf(name);
        line.nameSize = name.size();
        if (eq != std::string_view::npos) {
            const std::string_view value = trimBlanks(body.substr(eq + 1));
            line.hasValue = true;
            line.valueBegin = value.empty() ? offsetOf(body) + eq + 1 : offsetOf(value);
            line.valueSize = value.size();
        }
        lines_.push_back(line);
    }
}

std::optional<IniDocument::Range> IniDocument::findSection(std::string_view section) const {
    section = trimBlanks(section);
    const auto isHeader = [](const IniLine& l) { return l.kind == IniLine::Kind::Header; };
    std::size_t header = std::string_view::npos;
    std::size_t first = 0;
    if (!section.empty()) {
        // Keys above the first header form the unnamed section; a later "[]"
        // is a second section of that name and never found, like any duplicate.
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (isHeader(lines_[i]) && equalsIgnoringCase(nameOf(lines_[i]), section)) {
                header = i;
                break;
            }
        }
        if (header == std::string_view::npos) return std::nullopt;
        first = header + 1;
    }
    std::size_t last = first;
    while (last < lines_.size() && !isHeader(lines_[last]))
        ++last;
    return Range{header, first, last};
}

bool IniDocument::hasSection(std::string_view section) const {
    const auto range = findSection(section);
    return range && range->header != std::string_view::npos;
}

std::optional<std::string_view> IniDocument::rawValue(std::string_view section,
                                                      std::string_view key) const {
    const auto range = findSection(section);
    if (!range) return std::nullopt;
    key = trimBlanks(key);
    for (std::size_t i = range->first; i < range->last; ++i) {
        const IniLine& line = lines_[i];
        if (line.kind == IniLine::Kind::Key && equalsIgnoringCase(nameOf(line), key)) {
            if (!line.hasValue) return std::nullopt;
            return valueOf(line);
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const IniLine& line : lines_) {
        if (line.kind == IniLine::Kind::Header && line.nameSize > 0) {
            names.emplace_back(nameOf(line));
        }
    }
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    const auto range = findSection(section);
    if (!range) return names;
    for (std::size_t i = range->first; i < range->last; ++i) {
        const IniLine& line = lines_[i];
        const std::string_view name = nameOf(line);
        if (line.kind == IniLine::Kind::Key && line.hasValue && !name.empty() &&
            name.front() != ';') {
            names.emplace_back(name);
        }
    }
    return names;
}

std::optional<std::string> IniDocument::withValue(std::string_view section, std::string_view key,
                                                  std::string_view value) const {
    section = trimBlanks(section);
    key = trimBlanks(key);
    value = trimBlanks(value);
    const std::string_view all(text_);

    std::string out = bom_;
    out.reserve(bom_.size() + text_.size() + key.size() + value.size() + section.size() + 8);
    const auto finish = [&](std::string_view rest) {
        out.append(rest);
        out.append(trailer_);
        if (utf16_) {
            return std::string(*utf16_ == ByteOrder::Little ? kUtf16LeBom : kUtf16BeBom) +
                   utf8ToUtf16(out, *utf16_);
        }
        return out;
    };

    const auto range = findSection(section);
    if (!range) {
        // A new section goes at the end of the file.
        out.append(all);
        if (!lines_.empty() && lines_.back().eolEnd == lines_.back().end) out.append(eol_);
        out.append("[").append(section).append("]").append(eol_);
        out.append(key).append("=").append(value).append(eol_);
        return finish({});
    }

    std::size_t lastKeyLine = range->header; // npos for the unnamed section
    for (std::size_t i = range->first; i < range->last; ++i) {
        const IniLine& line = lines_[i];
        if (line.kind != IniLine::Kind::Key) continue;
        const std::string_view name = nameOf(line);
        if (equalsIgnoringCase(name, key)) {
            // Replace in place: the line keeps its indentation, the name its
            // spelling, and its own line ending.
            if (line.hasValue && valueOf(line) == value) return std::nullopt;
            out.append(all.substr(0, line.nameBegin + line.nameSize));
            out.append("=").append(value);
            return finish(all.substr(line.end));
        }
        if (name.empty() || name.front() != ';') lastKeyLine = i;
    }

    // A new key goes after the last key of its section (comments and blank
    // lines before the next header stay with what follows them).
    std::size_t pos = 0;
    bool needsBreak = false;
    if (lastKeyLine != std::string_view::npos) {
        pos = lines_[lastKeyLine].eolEnd;
        needsBreak = lines_[lastKeyLine].eolEnd == lines_[lastKeyLine].end;
    }
    out.append(all.substr(0, pos));
    if (needsBreak) out.append(eol_);
    out.append(key).append("=").append(value).append(eol_);
    return finish(all.substr(pos));
}

std::optional<std::string> checkWrite(std::string_view section, std::string_view key,
                                      std::string_view value) {
    constexpr std::string_view kBreaks("\r\n\0", 3);
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty()) return "the section name is empty";
    if (section.find_first_of(kBreaks) != std::string_view::npos) {
        return "the section name contains a line break";
    }
    if (section.find(']') != std::string_view::npos) return "the section name contains \"]\"";
    if (key.empty()) return "the key name is empty";
    if (key.find_first_of(kBreaks) != std::string_view::npos) {
        return "the key name contains a line break";
    }
    if (key.find('=') != std::string_view::npos) return "the key name contains \"=\"";
    if (key.front() == '[') return "the key name starts with \"[\"";
    if (value.find_first_of(kBreaks) != std::string_view::npos) {
        return "the value contains a line break";
    }
    return std::nullopt;
}

} // namespace quorvex::profile
