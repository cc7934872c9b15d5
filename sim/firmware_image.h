// Firmware images as the boot loader takes them, and the loader's receive logic.
#pragma once

#include "sim/device_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex::sim {

inline constexpr std::size_t kImageSize = 524288;
inline constexpr std::size_t kFirmwareTextOffset = 4106; // 16 bytes, NUL-terminated
inline constexpr std::size_t kFirmwareTextSize = 16;
inline constexpr std::size_t kModelTextOffset = 524224; // 32 bytes, NUL-terminated
inline constexpr std::size_t kBootCodeOffset = 524256;  // 32 bytes, NUL-terminated
inline constexpr std::size_t kFieldSize = 32;

struct FirmwareInfo {
    std::string firmware;
    std::string bootCode;
    std::string modelText;
};

// Checks an image for a model: exact size, the model text ("QKM-613S" for R30,
// "QKM-633S" for R70 with "USB" only on R70-USB) and readable version texts.
// On refusal *why says what is wrong.
std::optional<FirmwareInfo> checkImage(std::span<const uint8_t> image, Model model,
                                       std::string* why = nullptr);

// A valid image for a model with the given version texts (defaults when empty).
std::vector<uint8_t> makeImage(Model model, const std::string& firmware = {},
                               const std::string& bootCode = {});
bool writeImageFile(const std::string& path, std::span<const uint8_t> image,
                    std::string* error = nullptr);

inline constexpr std::string_view kLoaderPrompt = "\r\nBOOT LOADER FAIL\r\n";
inline constexpr std::string_view kDownloadOk = "\r\nDOWNLOAD SUCCESSFUL\r\n";
inline constexpr std::string_view kDownloadFail = "\r\nDOWNLOAD FAIL\r\n";

// The loader's receive buffer: takes raw bytes until a whole image is there.
class ImageReceiver {
public:
    // Bytes beyond a whole image are dropped; returns true once the image is complete.
    bool feed(std::span<const uint8_t> bytes);
    bool receiving() const { return !buffer_.empty(); }
    std::size_t received() const { return buffer_.size(); }
    std::span<const uint8_t> image() const { return buffer_; }
    void reset() { buffer_.clear(); }

private:
    std::vector<uint8_t> buffer_;
};

} // namespace quorvex::sim
