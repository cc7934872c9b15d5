#pragma once
// What assistive technology (a screen reader, over AT-SPI on Linux) learns
// about the program's controls. Qt's own widgets bring their accessible
// interfaces; the program's painted controls (page tabs, port symbols, the
// drop list, the log book's numbers) get theirs here. Names are built from
// the texts a window shows ("CLIP" and "Port 21" make "CLIP, Port 21"), with
// a few patterns of our own from the text table (ids 9800 and up), and are
// set again on every language switch.

#include <QLabel>
#include <QString>

class QWidget;

namespace quorvex::widgets {

// Registers the accessible interfaces of the program's own controls (once;
// their constructors call it).
void installAccessibleInterfaces();

// A shown text as a name says it: "&&" as "&", a line broken after a hyphen
// joined ("Pre-\ndial nb" -> "Pre-dial nb"), other line breaks and runs of
// blanks as one blank, a trailing colon dropped ("Port :" -> "Port").
QString nameText(const QString& shown);
QString nameText(int textId, int language);

// A control's name from its caption and where it stands: "CLIP, Port 21".
QString nameIn(const QString& caption, const QString& where);

// A name made from one of our name patterns (text ids 9800 and up) with %1
// (and %2) filled in.
QString namePattern(int patternId, int language, const QString& first,
                    const QString& second = QString());

// Name patterns and texts of our own (resources/texts.def).
inline constexpr int kNamePortDevice = 9800;    // "%1 device: %2"
inline constexpr int kNameAnalogPicture = 9802; // + 2 * picture, 15 pictures
inline constexpr int kNameDataPicture = 9832;   // + 2 * picture, 6 pictures
inline constexpr int kNameLanguage = 9844;      // + 2 * language: "English", "German"
inline constexpr int kNameLineIdle = 9848;
inline constexpr int kNameLineBusy = 9850;
inline constexpr int kNamePortName = 9852;      // "Name of %1"
inline constexpr int kNameMsnOf = 9854;         // "MSN %1 of %2"
inline constexpr int kNameMsnsOf = 9856;        // "MSNs of %1"
inline constexpr int kNameCallerId = 9858;      // "Caller ID presentation"
inline constexpr int kNameRingDelay = 9860;     // "Ring delay"
inline constexpr int kNameConfirm = 9862;       // "Confirm %1"
inline constexpr int kNameEidNumber = 9864;     // "EID number"
inline constexpr int kNameFrom = 9866;          // "from"
inline constexpr int kNameTill = 9868;          // "till"
inline constexpr int kNameProvider = 9870;      // "Provider name"
inline constexpr int kNameTimePeriod = 9872;    // "Time period %1"
inline constexpr int kNameCallerIdEntry = 9874; // "Caller ID %1"
inline constexpr int kNameCredit = 9876;        // "Credit"

// Tells assistive technology that the value a control shows has changed
// (from before to value).
void announceValue(QWidget* widget, const QString& before, const QString& value);

// A picture in a window. One without a text alternative is decoration and
// hidden from assistive technology; one with it is presented as a graphic of
// that name.
class CPicture final : public QLabel {
    Q_OBJECT
public:
    CPicture(const QString& picture, QSize size, QWidget* parent = nullptr);
    void setAlternative(const QString& text) { setAccessibleName(text); }
    bool decorative() const { return accessibleName().isEmpty(); }
};

} // namespace quorvex::widgets
