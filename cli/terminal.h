#pragma once
// The console the command line runs in. A terminal is asked questions and
// shown progress lines; a pipe or a file is not. On Windows the C runtime's
// isatty() answers a non-zero flag, not 1, and also for the NUL device, so
// the console itself is asked.
//
// Our texts are UTF-8. On Windows a console shows them only through its
// UTF-8 code page, and only when every character reaches it whole: the C
// runtime may write a text byte by byte, or convert it from its own code page
// first. While a ConsoleSession lives, the console has the UTF-8 code page
// (given back at its end, and on Ctrl+C: the console belongs to the user's
// shell), and what the program prints to a console goes through a pipe to
// one writer that hands the console whole characters (WriteConsoleW).

#include <cstdio>

namespace quorvex::cli {

// True when stream (stdin, stdout, stderr) is a terminal or console window
// (also while a ConsoleSession carries its text).
bool isTerminal(std::FILE* stream);

class ConsoleSession {
public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;
};

} // namespace quorvex::cli
