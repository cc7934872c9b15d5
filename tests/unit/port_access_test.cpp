// The reasons the driver reports for a port, as the user reads them in both
// languages; the cases a test machine cannot make (a refused open as root).
#include "core/port_access.h"
#include "driver/ports/adapter_hold.h"
#include "driver/ports/port_reason.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using quorvex::core::reasonText;

DRVPORTREASON reason(int code, int why, int pid = 0, int number = 0, const char* name = "",
                     const char* owner = "") {
    DRVPORTREASON r{};
    r.nCode = code;
    r.nWhy = why;
    r.nPid = pid;
    r.nNumber = number;
    std::strcpy(r.szName, name);
    std::strcpy(r.szOwner, owner);
    std::strcpy(r.szPath, "/dev/ttyUSB0");
    return r;
}

TEST(PortReasons, EveryReasonReadsInBothLanguages) {
    struct Case {
        DRVPORTREASON reason;
        const char *english, *german;
    } cases[] = {
        {reason(DRV_OPENERR_DENIED, DRV_WHY_GROUP, 0, 0660, "dialout"),
         "permission denied — add yourself to the group dialout (sudo usermod -aG dialout $USER, "
         "then log in again)",
         "Zugriff verweigert — treten Sie der Gruppe dialout bei (sudo usermod -aG dialout $USER, "
         "dann neu anmelden)"},
        {reason(DRV_OPENERR_DENIED, DRV_WHY_OWNER, 0, 0600, "root", "root"),
         "permission denied — it belongs to root:root with mode 0600, and no group may use it (a "
         "udev rule can give it to you: see Troubleshooting)",
         "Zugriff verweigert — er gehört root:root mit den Rechten 0600, und keine Gruppe darf ihn "
         "benutzen (eine udev-Regel kann ihn Ihnen geben: siehe Fehlersuche)"},
        {reason(DRV_OPENERR_DENIED, DRV_WHY_TERMINAL, 0, 0620, "tty", "root"),
         "permission denied — a terminal line of the group tty: a login or the system console "
         "uses it",
         "Zugriff verweigert — eine Terminal-Leitung der Gruppe tty: eine Anmeldung oder die "
         "Systemkonsole benutzt sie"},
        {reason(DRV_OPENERR_BUSY, DRV_WHY_HOLDER, 812, 0, "ModemManager"),
         "busy — process 812 (ModemManager) holds it",
         "belegt — Prozess 812 (ModemManager) hält ihn"},
        {reason(DRV_OPENERR_BUSY, DRV_WHY_HOLDER), "busy — another program holds it",
         "belegt — ein anderes Programm hält ihn"},
        {reason(DRV_OPENERR_NOTSERIAL, DRV_WHY_TOOLONG, 0, 511),
         "the path is longer than 511 characters", "der Pfad ist länger als 511 Zeichen"},
        {reason(DRV_OPENERR_NOTSERIAL, DRV_WHY_SPEED), "the line speed could not be set",
         "die Geschwindigkeit der Leitung ließ sich nicht setzen"},
        {reason(DRV_OPENERR_ABSENT, DRV_WHY_NODEVICE), "no such device", "kein solches Gerät"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reasonText(c.reason, 0), c.english);
        EXPECT_EQ(reasonText(c.reason, 1), c.german);
    }
    // The words of a network server stay as it said them.
    DRVPORTREASON server = reason(DRV_OPENERR_BUSY, DRV_WHY_NONE);
    std::strcpy(server.szDetail, "busy — the server says: Port already in use");
    EXPECT_EQ(reasonText(server, 0), "busy — the server says: Port already in use");
    EXPECT_EQ(reasonText(server, 1), "Fehler: busy — the server says: Port already in use");
    EXPECT_EQ(quorvex::core::triedLine(2, server, 0),
              "COM3 (/dev/ttyUSB0): busy — the server says: Port already in use");
    // A network open no one answered is not a silent device.
    DRVPORTREASON silent = reason(DRV_OPENERR_NOANSWER, DRV_WHY_NONE);
    EXPECT_EQ(reasonText(silent, 0), "no answer — no device replied to the identification");
    std::strcpy(silent.szDetail, "no answer from the name server for box.example");
    EXPECT_EQ(reasonText(silent, 0), "no answer from the name server for box.example");
}

// The program's English is the driver's own line, sentence for sentence.
TEST(PortReasons, TheEnglishIsTheDriversOwn) {
    for (int why = DRV_WHY_NONE; why <= DRV_WHY_SPEED; ++why)
        for (int code : {DRV_OPENERR_NONE, DRV_OPENERR_NOANSWER, DRV_OPENERR_BUSY}) {
            const DRVPORTREASON r = reason(code, why, 7, 0640, "dialout", "root");
            const r70::ReasonWords words = r70::reasonWords(r);
            EXPECT_EQ(reasonText(r, 0), r70::fillText(r70::englishText(words.text), words.args))
                << why << " " << code;
        }
}

// What a USB adapter holds back, in both languages; the English is the
// driver's trace's own.
TEST(PortReasons, AnAdaptersLatencyReadsInBothLanguages) {
    auto adapter = [](int32_t state, int32_t ms, int32_t before, const char* detail, int allow) {
        DRVADAPTER a = r70::noAdapter();
        a.nState = state;
        a.nLatencyMs = ms;
        a.nBeforeMs = before;
        a.nAllowMs = allow;
        std::strcpy(a.szDriver, "ftdi_sio");
        std::strcpy(a.szDetail, detail);
        return a;
    };
    const struct {
        DRVADAPTER a;
        const char* english;
        const char* german;
    } rows[] = {
        {adapter(DRV_ADAPTER_LOWERED, 1, 16, "latency_timer 16 -> 1", 3),
         "driver ftdi_sio, latency 1 ms (lowered from 16 ms): latency_timer 16 -> 1; replies are "
         "read with waits 3 ms longer",
         "Treiber ftdi_sio, Latenz 1 ms (von 16 ms gesenkt): latency_timer 16 -> 1; Antworten "
         "werden mit um 3 ms längeren Wartezeiten gelesen"},
        {adapter(DRV_ADAPTER_STUCK, 16, 16, "latency_timer 16: read-only", 0),
         "driver ftdi_sio, latency 16 ms, could not be lowered: latency_timer 16: read-only",
         "Treiber ftdi_sio, Latenz 16 ms, ließ sich nicht senken: latency_timer 16: read-only"},
        {adapter(DRV_ADAPTER_HOLDS, 16, 16, "", 0), "driver ftdi_sio, latency 16 ms",
         "Treiber ftdi_sio, Latenz 16 ms"},
        {adapter(DRV_ADAPTER_UNKNOWN, -1, -1, "its driver shows no latency_timer", 0),
         "driver ftdi_sio, latency not known: its driver shows no latency_timer",
         "Treiber ftdi_sio, Latenz unbekannt: its driver shows no latency_timer"},
        {r70::noAdapter(), "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(quorvex::core::adapterText(r.a, 0), r.english);
        EXPECT_EQ(quorvex::core::adapterText(r.a, 1), r.german);
        char driver[512] = "";
        r70::describeHold(r.a, r.a.nAllowMs, driver, sizeof driver);
        if (r.a.nState != DRV_ADAPTER_NONE) {
            EXPECT_EQ(quorvex::core::adapterText(r.a, 0), driver);
        }
    }
}

} // namespace
