#include "maintenance/log_parse.h"

namespace quorvex::maintenance {

namespace {

constexpr std::size_t kMinListText = 5;
constexpr int kFirstPortCode = 8; // classify(): 8-12 are "*11" ... "*32"
constexpr int kLastPortCode = 12;

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

class LineBuilder {
public:
    explicit LineBuilder(int list) : list_(list) {}

    void addChar(char c) {
        if (!open_) startField();
        // Words beyond the sixth have no column; they are dropped.
        if (count_ <= kLogFieldCount) fields_[count_ - 1].push_back(c);
    }
    void endField() { open_ = false; }
    bool empty() const { return count_ == 0; }

    LogEntry finish() {
        joinNoId();
        LogEntry e;
        for (int i = 0; i < kLogFieldCount; ++i)
            e.fields[i] = fields_[i];
        if (e.fields[2] == "**") e.fields[2] = kNoId;
        if (list_ == 0) {
            // A charge written with three decimals loses its last digit.
            std::string& amount = e.fields[4];
            if (amount.size() == 5 && amount[1] == ',') amount.resize(4);
        } else {
            e.fields[4].clear();
            e.fields[5].clear();
        }
        *this = LineBuilder(list_);
        return e;
    }

private:
    void startField() {
        // "NO" "ID" in place of the number are one word.
        if (count_ == 4) joinNoId();
        ++count_;
        open_ = true;
    }
    void joinNoId() {
        if (count_ >= 4 && contains(fields_[2], "NO") && contains(fields_[3], "ID")) {
            fields_[2] = "**";
            fields_[3].clear();
            count_ = 3;
        }
    }

    int list_;
    std::array<std::string, kLogFieldCount> fields_;
    int count_ = 0;
    bool open_ = false;
};

} // namespace

ParsedLog parseCallList(std::string_view text, int list) {
    ParsedLog out;
    if (text.size() <= kMinListText) return out;
    if (list == 1 && contains(text, "Amount")) {
        // The device handed over the outgoing list's layout.
        out.beep = true;
        if (contains(text, "Cause")) return out;
    }

    LineBuilder line(list);
    char before = 0, last = 0; // the two characters before the current one
    for (char c : text) {
        if (static_cast<int>(out.entries.size()) >= kLogMaxEntries) return out;
        if (c == '\r') {
            if (last == '\n' && before == '\r') break; // an empty line ends the list
            line.endField();
        } else if (c == '\n') {
            line.endField();
            if (!line.empty()) out.entries.push_back(line.finish());
        } else if (c == ' ' || c == '\t') {
            line.endField();
        } else {
            line.addChar(c);
        }
        before = last;
        last = c;
    }
    // A last line without its line feed still counts.
    if (!line.empty() && static_cast<int>(out.entries.size()) < kLogMaxEntries) {
        out.entries.push_back(line.finish());
    }
    return out;
}

std::string logDateTime(const LogEntry& entry) {
    const bool dashed = !entry.time().empty() && entry.time()[0] == '-';
    return entry.date() + (dashed ? "    " : " ") + entry.time();
}

std::string logNumberText(std::string_view number, const core::PortNames& names) {
    const int kind = core::classify(number, names);
    if (kind >= kFirstPortCode && kind <= kLastPortCode) {
        return names[static_cast<std::size_t>(kind - kFirstPortCode)];
    }
    return std::string(number);
}

} // namespace quorvex::maintenance
