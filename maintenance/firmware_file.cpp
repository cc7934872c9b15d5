#include "maintenance/firmware_file.h"

#include "core/detection.h"
#include "profile/native_text.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace quorvex::maintenance {

std::string firmwareFieldText(std::span<const std::uint8_t> image, FirmwareField field) {
    std::string text;
    for (std::size_t i = 0; i < field.length; ++i) {
        std::size_t at = field.offset + i;
        if (at >= image.size() || image[at] == 0) break;
        text.push_back(static_cast<char>(image[at]));
    }
    return text;
}

std::string firmwareModelName(std::string_view modelText) {
    if (modelText.find("QKM-633S") != std::string_view::npos) {
        return modelText.find("USB") != std::string_view::npos ? "OrvaISDN R70-USB"
                                                               : "OrvaISDN R70";
    }
    if (modelText.find("QKM-613S") != std::string_view::npos) return "OrvaISDN R30";
    return core::kUnknownName;
}

FirmwareInfo readFirmwareInfo(std::span<const std::uint8_t> image) {
    FirmwareInfo info;
    info.versionText = firmwareFieldText(image, kFirmwareVersionField);
    info.modelText = firmwareFieldText(image, kFirmwareModelField);
    info.bootCodeText = firmwareFieldText(image, kFirmwareBootCodeField);
    info.modelName = firmwareModelName(info.modelText);
    return info;
}

FirmwareCheck checkFirmware(std::span<const std::uint8_t> image) {
    if (image.size() != kFirmwareSize) return FirmwareCheck::WrongSize;
    if (firmwareModelName(firmwareFieldText(image, kFirmwareModelField)) == core::kUnknownName) {
        return FirmwareCheck::WrongModel;
    }
    return FirmwareCheck::Ok;
}

FirmwareFile loadFirmwareFile(const std::string& utf8Path) {
    FirmwareFile file;
    std::error_code ec;
    const std::filesystem::path path = profile::pathFromUtf8(utf8Path);
    // A directory opens as a stream on Linux but reads nothing.
    if (!std::filesystem::is_regular_file(path, ec)) return file;
    std::ifstream in(path, std::ios::binary);
    if (!in) return file; // Unreadable
    file.bytes.resize(kFirmwareSize + 1);
    in.read(reinterpret_cast<char*>(file.bytes.data()),
            static_cast<std::streamsize>(file.bytes.size()));
    if (in.bad()) {
        file.bytes.clear();
        return file;
    }
    file.bytes.resize(static_cast<std::size_t>(in.gcount()));
    file.info = readFirmwareInfo(file.bytes);
    file.check = checkFirmware(file.bytes);
    if (file.check != FirmwareCheck::Ok) file.bytes.clear();
    return file;
}

} // namespace quorvex::maintenance
