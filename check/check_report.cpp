#include "check/check_report.h"

#include "core/page_items.h"
#include "core/system_info.h"
#include "core/version.h"
#include "driver/ports/adapter_hold.h"
#include "driver/protocol/byte_escape.h"
#include "resources/menus.h"
#include "resources/text_table.h"

#include <cstdio>

namespace quorvex::check {
namespace {

// Texts of the check (resources/texts.def).
constexpr int kTextConforms = 10100;
constexpr int kTextHead = 10102;
constexpr int kTextFindings = 10104;
constexpr int kTextNoDevice = 10106;
constexpr int kTextStopped = 10108;
constexpr int kTextFirstGroup = 10110;
constexpr int kTextNoReplyWithin = 10130;
constexpr int kTextOkNotLast = 10132;
constexpr int kTextNotCrLf = 10134;
constexpr int kTextExtraLine = 10136;
constexpr int kTextLineBuffer = 10138;
constexpr int kTextPageBuffer = 10140;
constexpr int kTextFirstByte = 10142;
constexpr int kTextPause = 10144;
constexpr int kTextBehindFinal = 10146;
constexpr int kTextAfterEnd = 10148;
constexpr int kTextBeforeNext = 10150;
constexpr int kTextValue = 10152;
constexpr int kTextTitle = 10160;
constexpr int kTextProgram = 10162;
constexpr int kTextSystem = 10164;
constexpr int kTextPort = 10166;
constexpr int kTextDevice = 10168;
constexpr int kTextResult = 10170;
constexpr int kTextMasked = 10172;
constexpr int kTextEvery = 10174;
constexpr int kTextSent = 10176;
constexpr int kTextReply = 10178;
constexpr int kTextRead = 10180;
constexpr int kTextTimes = 10182;
constexpr int kTextTimesLine = 10184;
constexpr int kTextReadLine = 10186;
constexpr int kTextSearch = 10188;
constexpr int kTextIdentification = 10190;
constexpr int kTextPresence = 10192;
constexpr int kTextBuild = 10206;
constexpr int kTextAdapterAllowed = 10622; // the adapter's hold, allowed for in every wait
constexpr int kTextAdapterHolds = 10624;   // ... where the waits need not allow for it
constexpr int kTextPortFirst = 6020;       // "Port 11" ... "Data Port"
constexpr int kTextPageFirst = 6000;       // the page buttons: "MSN" ... "Log"

// Unknown bytes (after a reply, before a command) may hold any number.
constexpr std::size_t kStrayDigits = 4;
// Any reply may hold a number the check does not know as one (a caller-ID
// line inside a status text, say): every run this long is masked.
constexpr std::size_t kAnyReplyDigits = 5;

std::string tr(int id, int language) {
    return std::string(text::get(id, language));
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string escaped(std::string_view bytes) {
    std::string out(bytes.size() * 4 + 1, '\0');
    out.resize(r70::escapeBytes(bytes, out.data(), out.size()));
    return out;
}

std::string shown(std::string_view bytes) {
    return "'" + escaped(bytes) + "'";
}

// A menu item's words without its mnemonic and its dots.
std::string menuWords(int command, int language) {
    const menus::MenuItem* item = menus::findItem(command);
    if (item == nullptr) return {};
    std::string out;
    for (char c : menus::itemText(*item, language))
        if (c != '&') out += c;
    while (!out.empty() && out.back() == '.')
        out.pop_back();
    return out;
}

std::string areaName(Area area, int language) {
    switch (area) {
    case Area::Settings:
        return menuWords(menus::kCmdSettings, language);
    case Area::Callback:
        return menuWords(menus::kCmdDataCallback, language);
    case Area::Info:
        return menuWords(menus::kCmdIsdnInfo, language);
    case Area::Monitor:
        return menuWords(menus::kCmdMonitor, language);
    case Area::Upgrade:
        return menuWords(menus::kCmdUpgrade, language);
    case Area::Heartbeat:
        return tr(kTextPresence, language);
    case Area::Msn:
        return tr(kTextPageFirst, language);
    case Area::Accept:
        return tr(kTextPageFirst + 2, language);
    case Area::ShortDial:
        return tr(kTextPageFirst + 4, language);
    case Area::Forward:
        return tr(kTextPageFirst + 6, language);
    case Area::Filter:
        return tr(kTextPageFirst + 8, language);
    case Area::Data:
        return tr(kTextPageFirst + 10, language);
    case Area::Lcr:
        return tr(kTextPageFirst + 12, language);
    case Area::Charges:
        return tr(kTextPageFirst + 14, language);
    case Area::Timer:
        return tr(kTextPageFirst + 16, language);
    case Area::Log:
        return tr(kTextPageFirst + 18, language);
    }
    return {};
}

// The command a step sent, without its CR.
std::string stepCommand(const CheckStep& step) {
    if (!step.exchanges.empty()) {
        std::string sent = step.exchanges.back().sent;
        while (!sent.empty() && sent.back() == '\r')
            sent.pop_back();
        if (!sent.empty()) return sent;
    }
    return core::fieldText(step.record.szCmd);
}

std::string stepLabel(const CheckStep& step, int language) {
    switch (step.kind) {
    case StepKind::Find:
        return tr(kTextSearch, language);
    case StepKind::Identity:
        return tr(kTextIdentification, language);
    case StepKind::Query:
        break;
    }
    return areaName(step.query.area, language) + ": " + stepCommand(step);
}

// The numbers of a call list: the third field of every line.
std::string maskCallList(std::string_view text) {
    std::string out;
    int field = 0;
    bool inField = false;
    std::string word;
    auto flush = [&] {
        out += field == 3 ? maskDigits(word, 3) : word;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            flush();
            inField = false;
            if (c == '\n') field = 0;
            out += c;
            continue;
        }
        if (!inField) {
            inField = true;
            ++field;
        }
        word += c;
    }
    flush();
    return out;
}

// What of a step's reply or value is shown: its phone numbers masked.
struct Masking {
    bool on;
    std::string value(const Query& q, std::string_view text) const {
        if (!on) return std::string(text);
        if (!q.phoneNumber) return any(text);
        return any(q.rule == ValueRule::CallList ? maskCallList(text) : maskDigits(text));
    }
    // A reply or value of no number query (the identification, a status text).
    std::string any(std::string_view text) const {
        return on ? maskDigits(text, kAnyReplyDigits) : std::string(text);
    }
    std::string stray(std::string_view bytes) const {
        return on ? maskDigits(bytes, kStrayDigits) : std::string(bytes);
    }
};

std::string flagDetail(const Flag& f, const CheckStep& step, const Masking& mask, int language) {
    const auto n = [](int v) { return std::to_string(v); };
    switch (f.kind) {
    case Finding::NoReply:
        return f.detail == Detail::StoppedEarly
                   ? tr(kTextStopped, language)
                   : text::fill(tr(kTextNoReplyWithin, language), {number(f.limitMs)});
    case Finding::NoOk:
        return f.detail == Detail::OkNotLast ? tr(kTextOkNotLast, language) : std::string();
    case Finding::Unreadable:
    case Finding::OutOfRange:
        return text::fill(tr(kTextValue, language), {shown(mask.value(step.query, f.bytes))});
    case Finding::Form:
        return tr(f.detail == Detail::NotCrLf ? kTextNotCrLf : kTextExtraLine, language);
    case Finding::Cut:
        return text::fill(
            tr(f.detail == Detail::CallerBuffer ? kTextPageBuffer : kTextLineBuffer, language),
            {n(f.count), n(f.capacity)});
    case Finding::SlowFirstByte:
        return text::fill(tr(kTextFirstByte, language), {number(f.ms), number(f.limitMs)});
    case Finding::LongGap:
        return text::fill(tr(kTextPause, language), {number(f.ms), number(f.limitMs)});
    case Finding::BytesAfterEnd: {
        const std::string bytes = " " + shown(mask.stray(f.bytes));
        if (f.detail == Detail::InReply)
            return text::fill(tr(kTextBehindFinal, language), {n(f.count)}) + bytes;
        if (f.detail == Detail::AfterReply)
            return text::fill(tr(kTextAfterEnd, language), {n(f.count), number(f.ms)}) + bytes;
        return text::fill(tr(kTextBeforeNext, language), {n(f.count)}) + bytes;
    }
    }
    return {};
}

std::string flagLine(const Flag& f, const CheckStep& step, const Masking& mask, int language) {
    const std::string detail = flagDetail(f, step, mask, language);
    return std::string(findingName(f.kind, language)) + (detail.empty() ? "" : ": " + detail);
}

int clockByte(const DRVPARAM& r, int i) {
    return static_cast<unsigned char>(r.szText[i]);
}

// What the driver read into the record (or the page's buffer).
std::string readValue(const CheckStep& s, const Masking& mask) {
    const DRVPARAM& r = s.record;
    const Query& q = s.query;
    const auto n = [](int v) { return std::to_string(v); };
    char text[64];
    switch (q.rule) {
    case ValueRule::Ok:
        return {};
    case ValueRule::Flag:
        return n(r.bFlag);
    case ValueRule::CallCheck:
        return n(s.result);
    case ValueRule::Digit:
        return n(r.nValue);
    case ValueRule::Number:
        return n(q.code == DRV_DATAPROTO || q.code == DRV_EID || q.code == DRV_BODREG ? r.nIndex
                                                                                      : r.nValue);
    case ValueRule::Protocol:
        return n(drv_get_aux(&r));
    case ValueRule::EidText: {
        // The text behind nAux in szText.
        const std::string_view behind(r.szText + sizeof(int32_t),
                                      sizeof r.szText - sizeof(int32_t));
        return shown(mask.value(q, behind.substr(0, behind.find('\0'))));
    }
    case ValueRule::Forwarding:
        return n(r.nValue) + " " + shown(mask.value(q, core::fieldText(r.szText)));
    case ValueRule::PortTime:
        std::snprintf(text, sizeof text, "%02d:%02d", clockByte(r, 2), clockByte(r, 3));
        return text;
    case ValueRule::Clock:
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", clockByte(r, 1),
                      clockByte(r, 0), r.nValue, clockByte(r, 2), clockByte(r, 3), clockByte(r, 4));
        return text;
    case ValueRule::LcrHours:
        return n(r.nFrom) + "-" + n(r.nTo);
    case ValueRule::LcrPredial:
        return shown(mask.value(q, core::fieldText(r.szText3)));
    case ValueRule::LcrRange:
        return shown(mask.value(q, core::fieldText(r.szText) + "-" + core::fieldText(r.szText2)));
    case ValueRule::LineState: {
        std::string flags;
        for (int k = 0; k < 5; ++k)
            flags += n(drv_line_flag(&r, k));
        return flags;
    }
    case ValueRule::CallList:
        return n(r.nValue) + " " + shown(mask.value(q, s.text));
    case ValueRule::StatusText:
    case ValueRule::ChargeRow:
    case ValueRule::ChargeTotal:
        return shown(mask.value(q, s.text));
    case ValueRule::Msn:
    case ValueRule::PortNumber:
    case ValueRule::ChargeUnit:
    case ValueRule::Digits:
    case ValueRule::CallbackNumber:
        return shown(mask.value(q, core::fieldText(r.szText)));
    }
    return {};
}

void appendExchange(std::string& out, const LineExchange& e, const CheckStep& step,
                    const Masking& mask, int language) {
    const bool own = step.kind == StepKind::Query;
    out += "  " + tr(kTextSent, language) + "  " + shown(e.sent) + "\n";
    const std::string reply = own ? mask.value(step.query, e.reply) : mask.any(e.reply);
    out += "  " + tr(kTextReply, language) + "  " + shown(reply) + " (" +
           std::to_string(e.received) + "/" + std::to_string(e.capacity - 1) + ")\n";
    if (e.staleCount > 0) out += "  <<  " + shown(mask.stray(e.stale)) + "\n";
    if (e.lateCount > 0) out += "  >>  " + shown(mask.stray(e.late)) + "\n";
    out += "  " + tr(kTextTimes, language) + "  " +
           text::fill(tr(kTextTimesLine, language),
                      {e.firstByteUs < 0 ? std::string("-") : number(e.firstByteUs / 1000.0),
                       std::to_string(e.firstWaitMs), number(e.totalUs / 1000.0),
                       number(e.longestGapUs / 1000.0),
                       std::to_string(e.gapWaitMs > 0 ? e.gapWaitMs : e.silenceMs)}) +
           "\n";
}

} // namespace

std::string maskDigits(std::string_view text, std::size_t minDigits) {
    std::string out(text);
    std::size_t i = 0;
    while (i < out.size()) {
        if (out[i] < '0' || out[i] > '9') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < out.size() && out[end] >= '0' && out[end] <= '9')
            ++end;
        if (end - i >= minDigits && end - i > 2) {
            for (std::size_t k = i; k < end - 2; ++k)
                out[k] = 'x';
        }
        i = end;
    }
    return out;
}

std::string describeCheckPort(const core::PortAccess& ports, int portIndex) {
    std::string out = "COM" + std::to_string(portIndex + 1);
    const std::string path = ports.comPath(portIndex);
    if (path.rfind("rfc2217://", 0) == 0) {
        // The host alone ("[::1]" with its brackets), without the port.
        const std::string address = path.substr(10);
        const std::size_t end =
            address.starts_with('[') ? address.find(']') + 1 : address.rfind(':');
        return out + " rfc2217, host " + address.substr(0, end);
    }
    if (!path.empty()) out += " " + path;
    for (const core::PortListing& listing : ports.listPorts()) {
        if (listing.comIndex != portIndex) continue;
        const r70::SerialPortInfo& port = listing.port;
        if (port.node != path) out += " (" + port.node + ")";
        if (const std::string usb = r70::describe(port); !usb.empty()) out += ", " + usb;
        if (!port.driver.empty()) out += ", driver " + port.driver;
    }
    return out;
}

CheckContext checkContext(std::string_view programName, const core::PortAccess* ports,
                          int portIndex) {
    CheckContext c;
    c.program = std::string(programName) + " " + core::kVersion;
    c.build = core::buildText();
    c.system = core::systemDescription();
    c.port = ports != nullptr && portIndex >= 0 ? describeCheckPort(*ports, portIndex)
                                                : "COM" + std::to_string(portIndex + 1);
    return c;
}

std::string_view findingName(Finding kind, int language) {
    return text::get(kTextFirstGroup + 2 * static_cast<int>(kind), language);
}

std::string checkSummary(const CheckRun& run, bool unmasked, int language) {
    if (!run.found) return tr(kTextNoDevice, language) + "\n";
    int queries = 0;
    for (const CheckStep& s : run.steps)
        queries += s.kind == StepKind::Query ? 1 : 0;
    std::string out =
        text::fill(tr(kTextHead, language),
                   {run.identity.deviceName, "COM" + std::to_string(run.identity.portIndex + 1),
                    std::to_string(queries), number(run.elapsedMs / 1000.0)}) +
        "\n";
    // Said once: the adapter's own rhythm is in every exchange's times.
    if (const DRVADAPTER& a = run.adapter; a.nState != DRV_ADAPTER_NONE) {
        const int holdMs = a.nLatencyMs >= 0 ? a.nLatencyMs : r70::kAssumedLatencyMs;
        DRVADAPTER plain = a;
        plain.nAllowMs = 0; // the sentence says it
        const std::string latency = core::latencyText(plain, language);
        out +=
            (a.nAllowMs > 0
                 ? text::fill(tr(kTextAdapterAllowed, language),
                              {std::to_string(holdMs), latency, std::to_string(a.nAllowMs)})
                 : text::fill(tr(kTextAdapterHolds, language), {std::to_string(holdMs), latency})) +
            "\n";
    }
    if (run.conforms()) return out + tr(kTextConforms, language) + "\n";
    out += text::fill(tr(kTextFindings, language), {std::to_string(run.flagCount())}) + "\n";
    const Masking mask{!unmasked};
    for (int k = 0; k < kFindingKinds; ++k) {
        std::vector<std::string> items;
        for (const CheckStep& s : run.steps) {
            for (const Flag& f : s.flags) {
                if (static_cast<int>(f.kind) != k || f.detail == Detail::StoppedEarly) continue;
                const std::string detail = flagDetail(f, s, mask, language);
                items.push_back(stepLabel(s, language) + (detail.empty() ? "" : " - " + detail));
            }
        }
        if (items.empty()) continue;
        out += std::string(findingName(static_cast<Finding>(k), language)) + " (" +
               std::to_string(items.size()) + ")\n" + core::listItems(items);
    }
    if (run.stoppedEarly) out += tr(kTextStopped, language) + "\n";
    return out;
}

std::string checkReport(const CheckRun& run, const CheckContext& context, bool unmasked,
                        int language) {
    const Masking mask{!unmasked};
    const std::string title = tr(kTextTitle, language);
    std::string out = title + "\n" + std::string(title.size(), '=') + "\n\n";
    auto field = [&](int id, const std::string& value) {
        out += tr(id, language) + ": " + value + "\n";
    };
    field(kTextProgram, context.program);
    field(kTextBuild, context.build);
    field(kTextSystem, context.system);
    field(kTextPort, context.port + (run.adapter.nState != DRV_ADAPTER_NONE
                                         ? ", " + core::latencyText(run.adapter, language)
                                         : std::string()));
    if (run.found) {
        field(kTextDevice, run.identity.deviceName + ", firmware " + run.identity.firmwareText +
                               ", boot code " + run.identity.bootCodeText);
    }
    out += "\n" + tr(kTextResult, language) + ":\n" + checkSummary(run, unmasked, language);
    if (mask.on) out += "\n" + tr(kTextMasked, language) + "\n";
    const std::string every = tr(kTextEvery, language);
    out += "\n" + every + "\n" + std::string(every.size(), '-') + "\n";
    int number = 0;
    for (const CheckStep& s : run.steps) {
        out += "\n[" + std::to_string(++number) + "] " + stepLabel(s, language) + "\n";
        for (std::size_t i = 0; i < s.exchanges.size(); ++i) {
            appendExchange(out, s.exchanges[i], s, mask, language);
            for (const Flag& f : s.flags)
                if (f.exchange == static_cast<int>(i) && f.detail != Detail::StoppedEarly)
                    out += "  ! " + flagLine(f, s, mask, language) + "\n";
        }
        if (s.kind == StepKind::Query) {
            out += "  " + tr(kTextRead, language) + "  " +
                   text::fill(tr(kTextReadLine, language),
                              {std::to_string(s.result), std::to_string(s.record.bOk),
                               readValue(s, mask)}) +
                   "\n";
        }
        if (s.exchanges.empty()) {
            for (const Flag& f : s.flags)
                if (f.detail != Detail::StoppedEarly)
                    out += "  ! " + flagLine(f, s, mask, language) + "\n";
        }
    }
    return out;
}

} // namespace quorvex::check
