#include "cli/cli_texts.h"

#include "core/number_classifier.h"
#include "core/page_items.h"
#include "resources/text_table.h"

#include <array>
#include <cstdio>

namespace quorvex::cli {
namespace {

struct Pair {
    CliText id;
    std::string_view english;
    std::string_view german;
};

constexpr std::array<Pair, static_cast<std::size_t>(CliText::Count)> kTexts = {{
    {CliText::NoDevice,
     "No device answered on COM1 to COM8:", "Auf COM1 bis COM8 hat kein Gerät geantwortet:"},
    {CliText::Saving, "Reading the device and saving", "Lese das Gerät und sichere"},
    {CliText::Saved, "saved", "gesichert"},
    {CliText::Loading, "Loading the profile", "Lade das Profil"},
    {CliText::Summary, "items sent: %d, confirmed: %d, refused: %d",
     "Einträge gesendet: %d, bestätigt: %d, abgelehnt: %d"},
    {CliText::RefusedItem, "refused:", "abgelehnt:"},
    {CliText::FileMissing, "cannot read the profile", "kann das Profil nicht lesen"},
    {CliText::WriteFailed,
     "could not be written completely:", "konnte nicht vollständig geschrieben werden:"},
    {CliText::Equal, "the device holds what the file holds",
     "das Gerät enthält, was die Datei enthält"},
    {CliText::Differs, "difference(s)", "Unterschied(e)"},
    {CliText::NotInDevice, "kept by the program, not in the device",
     "vom Programm verwaltet, nicht im Gerät"},
    {CliText::UnknownSection, "unknown section", "unbekannter Abschnitt"},
    {CliText::UnknownKey, "unknown key for this model", "unbekannter Schlüssel für dieses Modell"},
    {CliText::NotStored, "the device did not take the value",
     "das Gerät hat den Wert nicht übernommen"},
    {CliText::Rejected, "the page rejects the value", "die Seite weist den Wert zurück"},
    {CliText::BadPort, "PORT is one of 11, 21, 22, 31, 32, data",
     "PORT ist einer von 11, 21, 22, 31, 32, data"},
    {CliText::BadList, "LIST is outgoing, incoming, unanswered, 0, 1, 2 or all",
     "LISTE ist outgoing, incoming, unanswered, 0, 1, 2 oder all"},
    {CliText::Total, "Total", "Gesamt"},
    {CliText::Stored, "the device stored its settings permanently",
     "das Gerät hat seine Einstellungen dauerhaft gespeichert"},
    {CliText::DeviceRefused, "the device refused", "das Gerät hat abgelehnt"},
    {CliText::Dialling, "dialling", "wähle"},
    {CliText::Cleared, "cleared", "gelöscht"},
    {CliText::AskInstall, "Install the upgrade? [y/N] ", "Upgrade installieren? [j/N] "},
    {CliText::UpgradeCancelled, "upgrade cancelled", "Upgrade abgebrochen"},
    {CliText::NotATerminal, "no terminal to ask: give --yes to install",
     "kein Terminal für die Frage: --yes angeben, um zu installieren"},
    {CliText::RowLastCall, "Last call", "Letzter Anruf"},
    {CliText::RowCurrent, "Current call", "Aktueller Anruf"},
    {CliText::RowSum, "Sum", "Summe"},
    {CliText::ListOutgoing, "Outgoing calls", "Abgehende Anrufe"},
    {CliText::ListIncoming, "Incoming calls", "Ankommende Anrufe"},
    {CliText::ListUnanswered, "Unanswered calls", "Unbeantwortete Anrufe"},
    {CliText::Empty, "(none)", "(keine)"},
    {CliText::BadNumber, "NUMBER is 1 to 31 characters of 0-9, * and #",
     "NUMMER besteht aus 1 bis 31 Zeichen 0-9, * und #"},
    {CliText::FirmwareMissing, "cannot read the firmware file",
     "kann die Firmware-Datei nicht lesen"},
    {CliText::NoSuchFile, "no such file", "keine solche Datei"},
    {CliText::Unreadable, "cannot be opened", "lässt sich nicht öffnen"},
    {CliText::ProfileLacks,
     "the profile lacks settings that a full backup of this model holds, so nothing was "
     "sent; give --missing=defaults to load them as their default values, or --missing=keep "
     "to leave the device's own values:",
     "dem Profil fehlen Einstellungen, die eine vollständige Sicherung dieses Modells enthält, "
     "daher wurde nichts gesendet; --missing=defaults lädt sie mit ihren Standardwerten, "
     "--missing=keep lässt dem Gerät seine eigenen Werte:"},
    {CliText::NotAnswered, "not answered: %d", "nicht beantwortet: %d"},
    {CliText::NumberTooLong, "the number is too long: %d characters, at most %d",
     "die Nummer ist zu lang: %d Zeichen, höchstens %d"},
}};

// The rows stand in the order of the ids, so a text is found by its index.
constexpr bool inOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
    }
    return true;
}
static_assert(inOrder(), "kTexts must list every CliText in order");

} // namespace

std::string_view cliText(CliText id, int language) {
    const Pair& p = kTexts[static_cast<std::size_t>(id)];
    return language == 1 ? p.german : p.english;
}

std::string tableText(int id, int language) {
    std::string_view t = text::get(id, language);
    std::string out;
    out.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '&' && i + 1 < t.size() && t[i + 1] == '&') ++i;
        if (t[i] == ' ' && !out.empty() && out.back() == ' ') continue;
        out += t[i];
    }
    if (out.empty()) out = "(" + std::to_string(id) + ")";
    return out;
}

std::string column(std::string_view text, std::size_t width, bool alignRight) {
    const std::size_t shown = core::characterCount(text);
    const std::string blanks(shown < width ? width - shown : 0, ' ');
    return alignRight ? blanks + std::string(text) : std::string(text) + blanks;
}

std::string cutToWidth(std::string_view text, std::size_t width) {
    std::size_t end = 0;
    for (std::size_t shown = 0; end < text.size() && shown < width; ++shown) {
        ++end; // past the first byte of a character, then its continuation bytes
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(text.substr(0, end));
}

std::string tooLongNumber(std::string_view number, std::size_t limit, int language) {
    char line[160];
    std::snprintf(line, sizeof line, std::string(cliText(CliText::NumberTooLong, language)).c_str(),
                  static_cast<int>(number.size()), static_cast<int>(limit));
    return line;
}

std::string unconfirmedMessage(const std::vector<std::string>& items, int language) {
    return tableText(9916, language) + "\n" + core::listItems(items);
}

} // namespace quorvex::cli
