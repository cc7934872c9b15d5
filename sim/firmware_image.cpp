#include "sim/firmware_image.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quorvex::sim {

namespace {

// A NUL-terminated text field; nullopt when it has no NUL or unprintable bytes.
std::optional<std::string> textField(std::span<const uint8_t> image, std::size_t offset,
                                     std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        uint8_t c = image[offset + i];
        if (c == 0) return text;
        if (c < 0x20 || c > 0x7e) return std::nullopt;
        text += static_cast<char>(c);
    }
    return std::nullopt;
}

void putText(std::vector<uint8_t>& image, std::size_t offset, std::size_t size,
             const std::string& text) {
    std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(image.data() + offset, text.data(), n);
    std::memset(image.data() + offset + n, 0, size - n);
}

} // namespace

std::optional<FirmwareInfo> checkImage(std::span<const uint8_t> image, Model model,
                                       std::string* why) {
    auto refuse = [&](std::string reason) -> std::optional<FirmwareInfo> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    if (image.size() != kImageSize)
        return refuse("image has " + std::to_string(image.size()) + " bytes, not " +
                      std::to_string(kImageSize));
    auto modelText = textField(image, kModelTextOffset, kFieldSize);
    auto firmware = textField(image, kFirmwareTextOffset, kFirmwareTextSize);
    auto bootCode = textField(image, kBootCodeOffset, kFieldSize);
    if (!modelText) return refuse("no model text");
    if (!firmware || firmware->empty()) return refuse("no firmware version text");
    if (!bootCode) return refuse("no boot code text");
    const bool fiveport = modelText->find("QKM-633S") != std::string::npos;
    const bool threeport = modelText->find("QKM-613S") != std::string::npos;
    const bool usb = modelText->find("USB") != std::string::npos;
    bool fits = false;
    switch (model) {
    case Model::R30:
        fits = threeport && !fiveport;
        break;
    case Model::R70:
        fits = fiveport && !usb;
        break;
    case Model::R70Usb:
        fits = fiveport && usb;
        break;
    }
    if (!fits)
        return refuse("image is for \"" + *modelText + "\", not " + std::string(modelName(model)));
    return FirmwareInfo{*firmware, *bootCode, *modelText};
}

std::vector<uint8_t> makeImage(Model model, const std::string& firmware,
                               const std::string& bootCode) {
    std::vector<uint8_t> image(kImageSize);
    // Some code-like filler, so that a transfer that drops or doubles bytes shows.
    uint32_t x = 0x12345678u;
    for (auto& b : image) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    putText(image, kFirmwareTextOffset, kFirmwareTextSize,
            firmware.empty() ? "V2.20 " + std::string(modelName(model)) : firmware);
    putText(image, kModelTextOffset, kFieldSize, std::string(modelPartNumber(model)));
    putText(image, kBootCodeOffset, kFieldSize, bootCode.empty() ? "V1.03" : bootCode);
    return image;
}

bool writeImageFile(const std::string& path, std::span<const uint8_t> image, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    if (!out) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ImageReceiver::feed(std::span<const uint8_t> bytes) {
    std::size_t room = kImageSize - buffer_.size();
    std::size_t n = std::min(room, bytes.size());
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return buffer_.size() == kImageSize;
}

} // namespace quorvex::sim
