// The firmware header reader: any image, short or whole. For a whole image
// the input lands in the three text fields, so the fuzzer reaches them
// without building half a megabyte.
#include "maintenance/firmware_file.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace quorvex::maintenance;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const bool whole = in.byte() & 1;
    const std::string_view rest = in.rest();
    std::vector<std::uint8_t> image;
    if (whole) {
        image.assign(kFirmwareSize, 0xFF);
        std::size_t used = 0;
        for (FirmwareField field :
             {kFirmwareModelField, kFirmwareVersionField, kFirmwareBootCodeField}) {
            const std::size_t n = std::min(field.length, rest.size() - used);
            std::memcpy(image.data() + field.offset, rest.data() + used, n);
            used += n;
        }
    } else {
        image.assign(rest.begin(), rest.end());
    }
    const FirmwareInfo info = readFirmwareInfo(image);
    FUZZ_CHECK(info.versionText.size() <= kFirmwareVersionField.length);
    FUZZ_CHECK(info.modelText.size() <= kFirmwareModelField.length);
    FUZZ_CHECK(info.bootCodeText.size() <= kFirmwareBootCodeField.length);
    FUZZ_CHECK(info.modelName == firmwareModelName(info.modelText));
    const FirmwareCheck check = checkFirmware(image);
    if (!whole) FUZZ_CHECK(check == FirmwareCheck::WrongSize || image.size() == kFirmwareSize);
    if (check == FirmwareCheck::Ok) FUZZ_CHECK(info.modelName != "????");
    (void)firmwareModelName(rest);
    return 0;
}
