// The words of a check: the summary, the report a user sends, its masked numbers.
#include "check/check_report.h"

#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace qa = quorvex::check;
namespace qc = quorvex::core;

namespace {

using F = qa::Finding;

qa::CheckStep step(uint16_t code, qa::ValueRule rule, std::string sent, std::string reply,
                   bool phoneNumber = false) {
    qa::CheckStep s;
    s.query.code = code;
    s.query.rule = rule;
    s.query.phoneNumber = phoneNumber;
    s.query.area = qa::Area::Msn;
    qa::LineExchange e;
    e.result = 0;
    e.sent = std::move(sent);
    e.reply = std::move(reply);
    e.received = static_cast<int>(e.reply.size());
    e.capacity = 256;
    s.exchanges.push_back(e);
    s.record.bOk = 1;
    return s;
}

qa::CheckRun run(std::vector<qa::CheckStep> steps) {
    qa::CheckRun r;
    r.found = true;
    r.identity.deviceName = "OrvaISDN R70";
    r.identity.portIndex = 2;
    r.identity.firmwareText = "V2.10 R70";
    r.identity.bootCodeText = "V1.03";
    r.steps = std::move(steps);
    r.elapsedMs = 7400;
    return r;
}

TEST(CheckReport, PhoneNumbersKeepTheirLengthAndLastTwoDigits) {
    const std::pair<const char*, const char*> rows[] = {
        {"4711", "xx11"},
        {"0301234567", "xxxxxxxx67"},
        {"1,TO: 0301234567", "1,TO: xxxxxxxx67"}, // the status digit stays
        {"*21", "*21"},                           // a port, not a number
        {"", ""},
    };
    for (const auto& [number, masked] : rows)
        EXPECT_EQ(qa::maskDigits(number), masked) << number;
    EXPECT_EQ(qa::maskDigits("07/03/01 09:05 0,360 DM 0301234567", 4),
              "07/03/01 09:05 0,360 DM xxxxxxxx67");
}

TEST(CheckReport, ConformsOrFindingsGroupedInBothLanguages) {
    qa::CheckStep msn = step(DRV_MSN, qa::ValueRule::Msn, "AT!N0?\r", "\r\n4711\r\nOK\r\n", true);
    EXPECT_EQ(qa::checkSummary(run({msn}), false, 0),
              "OrvaISDN R70 on COM3: 1 queries in 7.4 s.\nconforms\n");
    EXPECT_NE(qa::checkSummary(run({msn}), false, 1).find("\nkonform\n"), std::string::npos);

    qa::CheckStep odd = msn;
    qa::Flag f = qa::makeFlag(F::OutOfRange);
    f.bytes = "12345678901234567";
    odd.flags.push_back(f);
    qa::CheckStep slow =
        step(DRV_RINGDELAY, qa::ValueRule::Digit, "AT!P9#21?\r", "\r\n1\r\nOK\r\n");
    qa::Flag late = qa::makeFlag(F::SlowFirstByte);
    late.ms = 153.8;
    late.limitMs = 210;
    slow.flags.push_back(late);
    const std::string english = qa::checkSummary(run({odd, slow}), false, 0);
    EXPECT_NE(english.find("2 findings:\n"), std::string::npos) << english;
    EXPECT_NE(english.find("A value outside what the program accepts (1)\n"
                           "  MSN: AT!N0? - value 'xxxxxxxxxxxxxxx67'\n"),
              std::string::npos)
        << english;
    EXPECT_NE(
        english.find("  MSN: AT!P9#21? - first byte after 153.8 ms; the reader waits 210.0 ms"),
        std::string::npos)
        << english;
    EXPECT_EQ(english.find("conforms"), std::string::npos);
    const std::string german = qa::checkSummary(run({odd, slow}), true, 1);
    EXPECT_NE(german.find("Ein Wert außerhalb dessen, was das Programm annimmt (1)"),
              std::string::npos);
    EXPECT_NE(german.find("'12345678901234567'"), std::string::npos); // unmasked

    qa::CheckRun none;
    EXPECT_EQ(qa::checkSummary(none, false, 0), "No device answered the identification.\n");

    // Behind a USB adapter, once, in plain words.
    qa::CheckRun behind = run({msn});
    behind.adapter.nState = DRV_ADAPTER_STUCK;
    behind.adapter.nLatencyMs = 16;
    behind.adapter.nAllowMs = 63;
    std::strcpy(behind.adapter.szDriver, "ftdi_sio");
    std::strcpy(behind.adapter.szDetail, "latency_timer 16: read-only");
    EXPECT_EQ(
        qa::checkSummary(behind, false, 0),
        "OrvaISDN R70 on COM3: 1 queries in 7.4 s.\n"
        "The USB adapter holds the device's bytes back for up to 16 ms before it passes "
        "them on (latency 16 ms, could not be lowered: latency_timer 16: read-only). The check "
        "allows 63 ms for that in every wait: a late answer or a pause of the device "
        "shorter "
        "than that cannot be seen through this adapter.\nconforms\n");
    EXPECT_NE(
        qa::checkReport(behind, {"quorvex-cli 0.1.0", "b", "s", "COM3 /dev/ttyUSB0"}, false, 0)
            .find("Port: COM3 /dev/ttyUSB0, latency 16 ms, could not be lowered: "
                  "latency_timer 16: read-only; replies are read with waits 63 ms longer\n"),
        std::string::npos);
}

TEST(CheckReport, TheReportHoldsEverythingAndMasksNumbers) {
    qa::CheckStep msn = step(DRV_MSN, qa::ValueRule::Msn, "AT!N0?\r", "\r\n4711\r\nOK\r\n", true);
    std::memcpy(msn.record.szText, "4711", 5);
    qa::CheckStep list = step(DRV_LOG, qa::ValueRule::CallList, "AT!P3#11*0?\r",
                              "\r\nDate     Time  Number        Status Charge Amount \r\n"
                              "07/03/01 09:05 0301234567 OK 0,360 DM\r\n\r\nOK\r\n",
                              true);
    list.query.area = qa::Area::Log;
    // A number in a reply the check does not know as one: a caller-ID line
    // inside a status text (runs of five digits or more are masked).
    qa::CheckStep status = step(DRV_ATCHANGED, qa::ValueRule::StatusText, "AT&V1\r",
                                "\r\nS91=0 RING CID 0301234567 B1\r\nOK\r\n");
    status.text = "S91=0 RING CID 0301234567 B1";
    const qa::CheckContext context{"quorvex-cli 0.1.0", "GNU 12.2.0", "Linux", "COM3 /dev/ttyUSB0"};
    const std::string masked = qa::checkReport(run({msn, list, status}), context, false, 0);
    for (const char* part :
         {"Program: quorvex-cli 0.1.0\n", "Build: GNU 12.2.0\n", "System: Linux\n",
          "Port: COM3 /dev/ttyUSB0\n",
          "Device: OrvaISDN R70, firmware V2.10 R70, boot code V1.03\n", "conforms\n",
          "[1] MSN: AT!N0?\n", "'<CR><LF>xx11<CR><LF>OK<CR><LF>'", "value 'xx11'",
          "07/03/01 09:05 xxxxxxxx67 OK 0,360 DM", "'S91=0 RING CID xxxxxxxx67 B1'",
          "<LF>S91=0 RING CID xxxxxxxx67 B1<CR>", "Phone numbers are masked"}) {
        EXPECT_NE(masked.find(part), std::string::npos) << part << "\n" << masked;
    }
    EXPECT_EQ(masked.find("4711"), std::string::npos);
    EXPECT_EQ(masked.find("0301234567"), std::string::npos);
    const std::string whole = qa::checkReport(run({msn, list, status}), context, true, 0);
    EXPECT_NE(whole.find("'<CR><LF>4711<CR><LF>OK<CR><LF>'"), std::string::npos);
    EXPECT_NE(whole.find("0301234567"), std::string::npos);
    EXPECT_EQ(whole.find("Phone numbers are masked"), std::string::npos);
}

// The port as the machine describes it.
std::string gPortPath;
int32_t R70COM32_CALL portPath(int32_t index, char* path, int32_t size) {
    if (index != 0 || gPortPath.empty()) return -1;
    std::strncpy(path, gPortPath.c_str(), static_cast<std::size_t>(size) - 1);
    path[size - 1] = '\0';
    return static_cast<int32_t>(gPortPath.size());
}

TEST(CheckReport, ThePortByItsNamesAdapterAndDriverOrANetworkHostAlone) {
    const auto root =
        std::filesystem::temp_directory_path() / ("check_report_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    FakeMachine machine(root);
    FakeMachine::Usb usb;
    usb.serial = "A1B2C3";
    machine.addUsb("ttyUSB0", usb);
    const std::string byId = machine.link("by-id", "usb-FTDI_FT232R-if00-port0", "ttyUSB0");
    ::setenv("R70COM_ROOT", root.c_str(), 1);
    qc::PortAccess ports(root / "win.ini", {portPath, nullptr, nullptr});
    const std::pair<std::string, std::string> rows[] = {
        {byId, "COM1 " + byId + " (" + (root / "dev" / "ttyUSB0").string() +
                   "), FTDI FT232R USB UART, 0403:6001, serial A1B2C3, driver ftdi_sio"},
        {"rfc2217://tabox.example:2001", "COM1 rfc2217, host tabox.example"},
        {"rfc2217://[fe80::1]:2001", "COM1 rfc2217, host [fe80::1]"},
    };
    for (const auto& [path, described] : rows) {
        gPortPath = path;
        EXPECT_EQ(qa::describeCheckPort(ports, 0), described);
    }
    ::unsetenv("R70COM_ROOT");
    std::filesystem::remove_all(root);
}

} // namespace
