#pragma once
// Small text helpers shared by the pages.

#include <string>

namespace quorvex::core {

// Reads "H:M" (also "H" alone, minute 0; an empty hour or minute part reads
// as 0) from text cut at its first CR or LF. Accepts hour 0..23 and minute
// 0..59 written in decimal digits only: any other character (blank, sign,
// letter, a second ':') rejects the text. On success stores both and
// rewrites text as "%02d:%02d"; on failure leaves text, hour and minute alone.
bool ParseClockTime(std::string& text, int& hour, int& minute);

// Cuts text at its first CR or LF; returns it.
std::string& TrimCrLf(std::string& text);
// The same on a NUL-terminated buffer: every CR and LF becomes a NUL.
char* TrimCrLf(char* text);

} // namespace quorvex::core
