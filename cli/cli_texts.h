#pragma once
// Texts only the command line shows, in English and German. Texts the
// desktop program has too come from the shared text table by their id.

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::cli {

enum class CliText : int {
    NoDevice,         // "No device answered on COM1 to COM8:"
    Saving,           // "Reading the device and saving"
    Saved,            // "saved"
    Loading,          // "Loading the profile"
    Summary,          // "items sent: %d, confirmed: %d, refused: %d"
    RefusedItem,      // "refused:"
    FileMissing,      // "cannot read the profile"
    WriteFailed,      // "could not be written completely:"
    Equal,            // "the device holds what the file holds"
    Differs,          // "difference(s)"
    NotInDevice,      // "kept by the program, not in the device"
    UnknownSection,   // "unknown section"
    UnknownKey,       // "unknown key for this model"
    NotStored,        // "the device did not take the value"
    Rejected,         // "the page rejects the value"
    BadPort,          // "PORT is one of 11, 21, 22, 31, 32, data"
    BadList,          // "LIST is outgoing, incoming, unanswered, 0-2 or all"
    Total,            // "Total"
    Stored,           // "the device stored its settings permanently"
    DeviceRefused,    // "the device refused"
    Dialling,         // "dialling"
    Cleared,          // "cleared"
    AskInstall,       // "Install the upgrade? [y/N] "
    UpgradeCancelled, // "upgrade cancelled"
    NotATerminal,     // "no terminal to ask: give --yes to install"
    RowLastCall,      // "Last call"
    RowCurrent,       // "Current call"
    RowSum,           // "Sum"
    ListOutgoing,     // "Outgoing calls"
    ListIncoming,     // "Incoming calls"
    ListUnanswered,   // "Unanswered calls"
    Empty,            // "(none)"
    BadNumber,        // "NUMBER is up to 31 digits, * and #"
    FirmwareMissing,  // "cannot read the firmware file"
    NoSuchFile,       // "no such file"
    Unreadable,       // "cannot be opened"
    ProfileLacks,     // "FILE lacks settings ... --missing=defaults or --missing=keep:"
    NotAnswered,      // "not answered: %d"
    NumberTooLong,    // "the number is too long: %d characters, at most %d"
    Count
};

// The text in language (0 English, 1 German).
std::string_view cliText(CliText id, int language);

// "These settings could not be read from the modem:" and the items, one per line.
std::string unconfirmedMessage(const std::vector<std::string>& items, int language);

// "the number is too long: 20 characters, at most 15" for a number longer than limit.
std::string tooLongNumber(std::string_view number, std::size_t limit, int language);

// text and blanks to make width characters (not bytes: "Küche" is five
// wide), the blanks in front when alignRight; a longer text as it is.
std::string column(std::string_view text, std::size_t width, bool alignRight = false);
// text cut to at most width characters, never inside one.
std::string cutToWidth(std::string_view text, std::size_t width);

// A text of the shared table (message boxes of the pages and the main window),
// with "&&" shown as "&", line breaks kept and a run of blanks shown as one.
std::string tableText(int id, int language);

} // namespace quorvex::cli
