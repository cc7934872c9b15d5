// quorvex-cli identify: find the device and print who it is.
#include "cli/cli_texts.h"
#include "cli/options.h"
#include "core/detection.h"
#include "driver/api/r70com32.h"

#include <cstdio>
#include <string>

namespace quorvex::cli {

namespace {

void printIdentifyHelp() {
    std::printf("Usage: quorvex-cli identify [--port COMn=PATH|PATH]... [--trace FILE] [--lang "
                "en|de]\n"
                "\n"
                "Looks for the device on COM1 to COM8 and prints the port, the model, the USB\n"
                "flag and the firmware and boot-code versions. Exit 0 when found; 2 when no\n"
                "device answered, with the reason for every port.\n"
                "\n"
                "  --port COMn=PATH  use PATH for COMn (repeatable; an empty PATH means the port\n"
                "                    does not exist); added to the variable R70COM_PORTS\n"
                "  --port PATH       try PATH first (a stable name such as\n"
                "                    /dev/serial/by-id/...), instead of the chosen port\n"
                "  --trace FILE      append a trace of the serial traffic to FILE\n"
                "  --lang en|de      language of the messages\n");
}

} // namespace

int runIdentify(Args args) {
    auto options = parseDeviceOptions(args);
    if (!options) return kExitFailure;
    if (options->help) {
        printIdentifyHelp();
        return 0;
    }
    if (!options->rest.empty()) {
        std::fprintf(stderr, "quorvex-cli identify: unexpected argument '%s'\n",
                     options->rest.front().c_str());
        return kExitFailure;
    }
    applyDeviceOptions(*options);
    const int lang = options->language;

    const auto identity = core::detect(D_SendDrvCmd, core::FindMode::Find);
    if (!identity) {
        std::fprintf(stderr, "%s\n",
                     tr(lang, "No device answered on COM1 to COM8:",
                        "Auf COM1 bis COM8 hat kein Gerät geantwortet:"));
        printTriedPorts(lang);
        return kExitFailure;
    }
    if (const std::string missing = core::missingChoiceText(cliPorts(), lang); !missing.empty())
        std::fprintf(stderr, "%s\n", missing.c_str());
    // Aligned by characters: "Gerät:" is six wide, whatever its bytes.
    auto row = [](const char* label, const std::string& value) {
        std::printf("%s %s\n", column(label, 12).c_str(), value.c_str());
    };
    row(tr(lang, "Port:", "Anschluss:"), cliPorts().comName(identity->portIndex));
    row(tr(lang, "Model:", "Modell:"), std::to_string(identity->modelNumber));
    row(tr(lang, "Device:", "Gerät:"), identity->deviceName);
    row("USB:", identity->usbVariant ? tr(lang, "yes", "ja") : tr(lang, "no", "nein"));
    row(tr(lang, "Ports:", "Anschlüsse:"),
        std::to_string(core::portCountFor(identity->modelNumber)));
    row("Firmware:", identity->firmwareText);
    row("Boot code:", identity->bootCodeText);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    return 0;
}

} // namespace quorvex::cli
