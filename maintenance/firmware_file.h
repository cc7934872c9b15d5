#pragma once
// A firmware file: a flat 524288-byte image that is sent to the device's boot
// loader unchanged. Three texts are read from it to show the user what he is
// about to install; the image is checked before a single byte goes out, since
// a wrong or cut file leaves the device without usable firmware.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::maintenance {

inline constexpr std::size_t kFirmwareSize = 524288; // 1024 blocks of 512 bytes
inline constexpr std::size_t kFirmwareBlockSize = 512;
inline constexpr std::size_t kFirmwareBlockCount = kFirmwareSize / kFirmwareBlockSize;

// Where the texts stand in the image (offset, length; NUL-terminated within the length).
struct FirmwareField {
    std::size_t offset;
    std::size_t length;
};
inline constexpr FirmwareField kFirmwareVersionField{4106, 16};
inline constexpr FirmwareField kFirmwareModelField{524224, 32};
inline constexpr FirmwareField kFirmwareBootCodeField{524256, 32};

// The texts of an image; a field beyond the end of a short image reads as empty.
struct FirmwareInfo {
    std::string versionText;
    std::string modelText; // e.g. "QKM-633S-USB"
    std::string bootCodeText;
    std::string modelName; // "OrvaISDN R70-USB", "OrvaISDN R70", "OrvaISDN R30", "????"
};

enum class FirmwareCheck {
    Ok,
    Unreadable, // the file cannot be opened or read
    WrongSize,  // not exactly kFirmwareSize bytes
    WrongModel, // the model text names no model of this device family
};

// The text of one field: up to its first NUL, at most its length (pure).
std::string firmwareFieldText(std::span<const std::uint8_t> image, FirmwareField field);

// "OrvaISDN R70-USB" for a model text with "QKM-633S" and "USB", "OrvaISDN R70"
// with "QKM-633S" alone, "OrvaISDN R30" with "QKM-613S", else "????".
std::string firmwareModelName(std::string_view modelText);

FirmwareInfo readFirmwareInfo(std::span<const std::uint8_t> image);

// Size first, then the model text.
FirmwareCheck checkFirmware(std::span<const std::uint8_t> image);

struct FirmwareFile {
    FirmwareCheck check = FirmwareCheck::Unreadable;
    std::vector<std::uint8_t> bytes; // the whole image when check is Ok
    FirmwareInfo info;
};

// Reads the file at utf8Path (never more than one byte past the image size, so
// a huge file is refused without being read whole) and checks it.
FirmwareFile loadFirmwareFile(const std::string& utf8Path);

} // namespace quorvex::maintenance
