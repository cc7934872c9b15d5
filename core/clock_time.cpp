#include "core/clock_time.h"

#include <cstdio>
#include <string_view>

namespace quorvex::core {
namespace {

// Digits only, empty = 0. More than four digits can never be a valid hour or
// minute, so the value is capped instead of risking an overflow.
bool readPart(std::string_view part, int& value) {
    value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return false;
        if (value < 10000) value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool ParseClockTime(std::string& text, int& hour, int& minute) {
    std::string_view line(text);
    line = line.substr(0, line.find_first_of("\r\n"));
    std::size_t colon = line.find(':');
    std::string_view hourPart = line.substr(0, colon);
    std::string_view minutePart =
        colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    int h = 0;
    int m = 0;
    if (!readPart(hourPart, h) || !readPart(minutePart, m)) return false;
    if (h > 23 || m > 59) return false;
    hour = h;
    minute = m;
    char buffer[24]; // room for any int, though h and m are checked above
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", h, m);
    text = buffer;
    return true;
}

std::string& TrimCrLf(std::string& text) {
    std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    return text;
}

char* TrimCrLf(char* text) {
    if (text == nullptr) return text;
    for (char* c = text; *c != '\0'; ++c) {
        if (*c == '\r' || *c == '\n') *c = '\0';
    }
    return text;
}

} // namespace quorvex::core
