#pragma once
// End point identification (EID) numbers of MultiLink PPP: the six classes,
// how a stored number is shown in the field, how the field's text becomes
// the stored form again, and the checks made while the user types. All pure.
//
// Stored forms (what the device holds and what a profile keeps):
//   class 1 local address      the digits as typed
//   class 2 IP address         12 digits, three per octet ("195222204004")
//   class 3 MAC address        12 hexadecimal digits as typed
//   class 4 PPP magic numbers  hexadecimal digits without dashes, groups of 8
//   class 5 number of the TA   the digits as typed
// Class 0 (NULL) has no number; nothing of it is ever sent.

#include <string>
#include <string_view>

namespace quorvex::data {

enum EidClass : int {
    kEidNull = 0,
    kEidLocal = 1,
    kEidIp = 2,
    kEidMac = 3,
    kEidMagic = 4,
    kEidTaNumber = 5,
};
inline constexpr int kEidClasses = 6;

// The longest stored number the device command can carry: "AT%P4=" and the
// carriage return leave 24 of the driver's 31 command characters.
inline constexpr std::size_t kEidMaxSendLength = 24;

// Message ids of the EID checks.
inline constexpr int kMsgDigitsOnly = 9024;
inline constexpr int kMsgIpAddress = 9032;
inline constexpr int kMsgHexOnly = 9034;
inline constexpr int kMsgMagicBlock = 9036;
inline constexpr int kMsgLocalTooLong = 9038;
inline constexpr int kMsgTaTooLong = 9040;
inline constexpr int kMsgMacLength = 9042;
// Our own text for a block past the limit the device command can carry
// (kEidMaxSendLength), with the reason and an example.
inline constexpr int kMsgMagicTooLong = 9940;
// A magic number block holds at most three groups of 8 digits.
inline constexpr std::size_t kEidMagicMaxDigits = kEidMaxSendLength;

// A class outside 0..5 counts as NULL everywhere below.
int clampEidClass(int eidClass);

// The number each class holds before the device has been read.
std::string_view eidInitialText(int eidClass);

// The string id of the example shown under the field ("e.g. 195.222.204.4").
int eidExampleTextId(int eidClass);

// The field's text for a stored number. Class 2: twelve digits become
// "%d.%d.%d.%d"; anything else is shown as stored, so nothing the device
// holds is hidden. Class 4: groups of 8 joined by "-" (a shorter remainder
// forms the last group, so that collecting never cuts it off). Other classes:
// as stored.
std::string eidDisplay(int eidClass, std::string_view stored);

// The field's text turned into the stored form, or the message that rejects it.
struct EidConversion {
    std::string stored;
    int messageId = 0; // 0: accepted
    bool ok() const { return messageId == 0; }
};
EidConversion eidFromDisplay(int eidClass, std::string_view text);

// The check made on every change of the field's text: 0 when the text may
// stand, else the message id. An empty text is never checked.
int eidTypingError(int eidClass, std::string_view text);

// The class 2 rules on their own (used by eidTypingError).
int ipTypingError(std::string_view text);

} // namespace quorvex::data
