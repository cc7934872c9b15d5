// The serial line. Replies have no length and no terminator the driver
// relies on: a reply ends when the line falls silent, so bytes are taken one
// at a time from the transport, which measures the gaps.
#include "driver/line/serial_line.h"

#include "driver/api/r70com32.h"
#include "driver/protocol/catalogue.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <optional>
#include <time.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
static tm* localtime_r(const time_t* t, tm* out) noexcept {
    return localtime_s(out, t) == 0 ? out : nullptr;
}
#endif

namespace r70 {
namespace {

constexpr LineSpeed kSpeeds[] = {
    {DRV_SPEED_115200, 115200, 10, "115200"},
    {DRV_SPEED_57600, 57600, 20, "57600"},
    {DRV_SPEED_19200, 19200, 30, "19200"},
};

// A reply longer than this is not a reply but a line that never falls silent.
constexpr std::size_t kMaxReplyBytes = 65536;

} // namespace

void formatInto(char* out, std::size_t size, const char* format, ...) noexcept {
    if (out == nullptr || size == 0) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, size, format, args);
    va_end(args);
}

bool endsWithFinalLine(std::string_view bytes) noexcept {
    return bytes.ends_with("\r\nOK\r\n") || bytes.ends_with("\r\nERROR\r\n");
}

bool SerialLine::open(int index, const std::string& path, const SerialPortInfo* port,
                      OpenError& error) noexcept {
    return startOpen(index, path, port, error, false) == OpenStep::Opened;
}

OpenStep SerialLine::beginOpen(int index, const std::string& path, const SerialPortInfo* port,
                               OpenError& error) noexcept {
    return startOpen(index, path, port, error, true);
}

OpenStep SerialLine::continueOpen(OpenError& error) noexcept {
    if (pending_ == nullptr) return OpenStep::Failed;
    const OpenStep step = pending_->continueOpen(error);
    if (step == OpenStep::Pending) return step;
    Transport& line = *pending_;
    pending_ = nullptr;
    if (step == OpenStep::Failed) {
        describeOpenError(error, index_ + 1, pendingPath_);
        traceEvent(error.text);
        return step;
    }
    try {
        opened(line, pendingPath_, nullptr);
    } catch (const std::bad_alloc&) {
        line.close();
        return OpenStep::Failed;
    }
    return step;
}

void SerialLine::hold() noexcept {
    if (line_ == nullptr) return;
    held_ = line_;
    line_ = nullptr;
}

void SerialLine::resume() noexcept {
    if (held_ == nullptr) return;
    line_ = held_;
    held_ = nullptr;
}

bool SerialLine::inputWaiting(int waitMs) noexcept {
    char byte = 0;
    return isOpen() && line_->readByte(waitMs, &byte);
}

OpenStep SerialLine::startOpen(int index, const std::string& path, const SerialPortInfo* port,
                               OpenError& error, bool inSteps) noexcept {
    close();
    error = OpenError{};
    index_ = index;
    openTrace();

    const int com = index + 1;
    auto fail = [&] {
        describeOpenError(error, com, path);
        traceEvent(error.text);
        return OpenStep::Failed;
    };
    if (path.empty()) {
        error.code = DRV_OPENERR_ABSENT;
        error.why = environmentMap() ? DRV_WHY_NOPORT_ENV : DRV_WHY_NOPORT;
        return fail();
    }
    if (path.size() >= sizeof error.path) {
        error.code = DRV_OPENERR_NOTSERIAL;
        error.why = DRV_WHY_TOOLONG;
        error.number = static_cast<int32_t>(sizeof error.path - 1);
        return fail();
    }
#ifdef _WIN32
    Transport& line = local_;
#else
    const bool network = isNetworkAddress(path.c_str());
    Transport& line = network ? static_cast<Transport&>(network_) : local_;
    // The UUCP lock file takes the tty's own name where discovery knows it.
    if (!network) local_.setTtyName(port != nullptr ? port->name : std::string());
#endif
    const OpenStep step = inSteps                          ? line.beginOpen(path.c_str(), error)
                          : line.open(path.c_str(), error) ? OpenStep::Opened
                                                           : OpenStep::Failed;
    if (step == OpenStep::Failed) return fail();
    if (step == OpenStep::Pending) {
        pending_ = &line;
        copyText(pendingPath_, sizeof pendingPath_, path);
        return step;
    }
    opened(line, path, port);
    return step;
}

void SerialLine::opened(Transport& line, const std::string& path,
                        const SerialPortInfo* port) noexcept {
    line_ = &line;
    writeFailed_ = false;
    hungUp_ = false; // only a new handle ends a hang-up: a failed reopen keeps trying
    sentPending_ = false;
    baud_ = 0;
    adapter_ = noAdapter();
    allowMs_ = 0;
    char event[DRV_MAX_PATH + 100];
    // The stable name with the node it stands for now: a trace of a replug
    // shows ttyUSB0 becoming ttyUSB1.
    if (port != nullptr && port->node != path)
        formatInto(event, sizeof event, "open %s (%s)", path.c_str(), port->node.c_str());
    else
        formatInto(event, sizeof event, "open %s", path.c_str());
    traceEvent(event);
#ifdef _WIN32
    askAdapter(path, port);
#else
    if (!isNetworkAddress(path.c_str())) askAdapter(path, port);
#endif
}

void SerialLine::askAdapter(const std::string& path, const SerialPortInfo* port) noexcept {
    // A port the map names by its path alone may still be a USB adapter.
    std::optional<SerialPortInfo> found;
    if (port == nullptr) {
        try {
            found = portOfNode(path);
        } catch (const std::bad_alloc&) {
            found.reset();
        }
    }
    adapter_ = line_->holdLess(port != nullptr ? port : found ? &*found : nullptr);
    adapter_.nPortIndex = index_;
    allowMs_ = holdAllowanceMs(adapter_, baud_);
    if (adapter_.nState == DRV_ADAPTER_NONE) return;
    char words[400];
    // How much longer replies are waited for follows with the speed.
    describeHold(adapter_, 0, words, sizeof words);
    char event[420];
    formatInto(event, sizeof event, "USB adapter: %s", words);
    traceEvent(event);
}

DRVADAPTER SerialLine::adapter() const noexcept {
    DRVADAPTER a = adapter_;
    a.nAllowMs = allowMs_;
    return a;
}

bool SerialLine::setSpeed(int code) noexcept {
    const LineSpeed* speed = nullptr;
    for (const LineSpeed& s : kSpeeds)
        if (s.code == code) speed = &s;
    if (speed == nullptr) return false;
    const SpeedResult result = isOpen() ? line_->setSpeed(*speed) : SpeedResult::Unreadable;
    noteHangUp();
    if (result == SpeedResult::Unreadable) {
        close();
        return false;
    }
    if (result == SpeedResult::Refused) return false;
    interByteMs_ = speed->interByteMs;
    baud_ = speed->baud;
    allowMs_ = holdAllowanceMs(adapter_, baud_);
    char event[128];
    if (allowMs_ > 0)
        std::snprintf(event, sizeof event,
                      "speed %s (replies are read with waits %d ms longer for the USB adapter)",
                      speed->name, allowMs_);
    else
        std::snprintf(event, sizeof event, "speed %s", speed->name);
    traceEvent(event);
    return true;
}

void SerialLine::setBudget(int ms) noexcept {
    budgetMs_ = ms;
    budgetPending_ = true;
}

int SerialLine::nextWaitMs(bool finalLine) noexcept {
    // Inside a reply a USB adapter may hold bytes back; after the device's
    // final line it has said all it will, and the local silence ends it.
    return line_->nextByteWaitMs(interByteMs_ + 10 + (finalLine ? 0 : allowMs_), finalLine);
}

int SerialLine::waitFirstMs() noexcept {
    // Only the first read after a budget was set waits the budget.
    if (budgetPending_) {
        budgetPending_ = false;
        return budgetMs_;
    }
    return interByteMs_;
}

void SerialLine::noteHangUp() noexcept {
    if (line_ != nullptr && line_->hungUp()) hungUp_ = true;
}

void SerialLine::discardInput() noexcept {
    if (isOpen()) line_->discardInput();
}

bool SerialLine::writeAll(const void* data, std::size_t count, bool command) noexcept {
    flushPendingTrace();
    // Input that is waiting now belongs to an earlier command (a reply that
    // came too late): it must not answer this one.
    discardInput();
    if (!isOpen()) {
        writeFailed_ = true;
        return false;
    }
    writeFailed_ = !(command ? line_->writeCommand(data, count) : line_->write(data, count));
    noteHangUp();
    return !writeFailed_;
}

bool SerialLine::writeBytes(const void* data, std::size_t count) noexcept {
    const bool ok = writeAll(data, count, false);
    if (traceFd_ >= 0) {
        if (rawBlocks_ == 0) rawStartMs_ = monotonicMs();
        ++rawBlocks_;
        rawBytes_ += count;
        if (!ok) ++rawFailed_;
    }
    return ok;
}

void SerialLine::flushRawTrace() noexcept {
    if (rawBlocks_ == 0) return;
    char failed[40] = "";
    if (rawFailed_ > 0) std::snprintf(failed, sizeof failed, " (%zu failed)", rawFailed_);
    const long long ms = monotonicMs() - rawStartMs_;
    char line[128];
    std::snprintf(line, sizeof line, "write %zu block%s, %zu bytes in %lld.%03lld s%s", rawBlocks_,
                  rawBlocks_ == 1 ? "" : "s", rawBytes_, ms / 1000, ms % 1000, failed);
    rawBlocks_ = rawBytes_ = rawFailed_ = 0;
    writeTraceLine(line);
}

bool SerialLine::writeText(std::string_view text) noexcept {
    noteStale();
    watch_.command(index_, text);
    const bool ok = writeAll(text.data(), text.size(), true);
    copyText(sent_, sizeof sent_, text);
    sentLength_ = text.size() < sizeof sent_ - 1 ? text.size() : sizeof sent_ - 1;
    sentPending_ = true;
    return ok;
}

int SerialLine::readReply(char* buffer, std::size_t capacity, std::size_t* length) noexcept {
    if (length != nullptr) *length = 0;
    if (buffer == nullptr || capacity == 0) return -2;
    buffer[0] = '\0';
    const int firstMs = waitFirstMs();
    watch_.readStart(index_, capacity);
    if (!isOpen() || writeFailed_) {
        // Nothing was sent, so nothing can answer.
        writeFailed_ = false;
        endRead({}, -2);
        return -2;
    }
    // Every wait of the reader is here: the first byte gets the budget (or,
    // with no budget pending, the inter-byte constant) + 10 ms, each further
    // byte the inter-byte constant + 10 ms; a USB adapter that holds bytes
    // back adds its allowance, a network line makes them fit the network.
    char byte = 0;
    if (!readByte(line_->firstByteWaitMs(firstMs + 10 + allowMs_), &byte)) {
        noteHangUp();
        endRead({}, -2);
        return -2;
    }
    std::size_t stored = 0, total = 0;
    char tail[16]; // the last bytes, for the end of the device's final line
    std::size_t tailLength = 0;
    do {
        if (stored + 1 < capacity) buffer[stored++] = byte; // the rest is read and dropped
        ++total;
        if (tailLength == sizeof tail) {
            std::memmove(tail, tail + 1, sizeof tail - 1);
            --tailLength;
        }
        tail[tailLength++] = byte;
    } while (total < kMaxReplyBytes &&
             readByte(nextWaitMs(endsWithFinalLine(std::string_view(tail, tailLength))), &byte));
    noteHangUp();
    buffer[stored] = '\0';
    if (length != nullptr) *length = stored;
    endRead(std::string_view(buffer, stored), 0);
    return 0;
}

bool SerialLine::readByte(int waitMs, char* byte) noexcept {
    if (!watch_.on()) return line_->readByte(waitMs, byte);
    const long long start = monotonicUs();
    const bool got = line_->readByte(waitMs, byte);
    watch_.waited(waitMs, start, monotonicUs(), got ? byte : nullptr);
    return got;
}

void SerialLine::endRead(std::string_view reply, int result) noexcept {
    traceExchange(reply, result);
    if (!watch_.on()) return;
    watch_.readEnd(result, monotonicUs());
    // What still comes belongs to no reply: the next command would drop it,
    // or take it as the start of its own reply.
    if (watch_.wantsLateBytes() && isOpen()) {
        char byte = 0;
        int wait = watch_.listenMs();
        for (std::size_t n = 0; n < kMaxReplyBytes && line_->readByte(wait, &byte); ++n) {
            watch_.late(byte, monotonicUs());
            wait = nextWaitMs(false);
        }
        noteHangUp();
    }
    watch_.finish();
}

void SerialLine::noteStale() noexcept {
    if (!watch_.on() || !isOpen()) return;
    // What waits now came after the last reply had ended; the write drops it.
    char byte = 0;
    for (std::size_t n = 0; n < kMaxReplyBytes && line_->readByte(0, &byte); ++n)
        watch_.stale(byte);
}

void SerialLine::dtr(bool on) noexcept {
    if (!isOpen()) return;
    line_->dtr(on);
    noteHangUp();
    const char* note = line_->dtrNote();
    char event[200];
    formatInto(event, sizeof event, "%s%s%s", on ? "dtr on" : "dtr off",
               note[0] != '\0' ? " - " : "", note);
    traceEvent(event);
}

SerialLine::~SerialLine() {
    // The library is unloaded (or the program ends): a port left open would
    // be busy for the next load, and the trace file could not be moved.
    close();
    if (traceFd_ >= 0) ::close(traceFd_);
    traceFd_ = -1;
}

void SerialLine::openTrace() noexcept {
    if (traceFd_ >= 0) ::close(traceFd_);
    traceFd_ = -1;
    try {
        const std::string trace = environment("R70COM_TRACE");
        if (trace.empty()) return;
#ifdef _WIN32
        traceFd_ = ::_wopen(wideOf(trace.c_str()).c_str(), _O_WRONLY | _O_CREAT | _O_APPEND,
                            _S_IREAD | _S_IWRITE);
#else
        traceFd_ = ::open(trace.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
#endif
    } catch (const std::bad_alloc&) {
        traceFd_ = -1; // no trace rather than no port
    }
}

void SerialLine::close() noexcept {
    resume();
    if (pending_ != nullptr) pending_->close();
    pending_ = nullptr;
    if (isOpen()) {
        flushPendingTrace();
        line_->close();
        if (const char* back = line_->givenBack(); back[0] != '\0') {
            char event[300];
            formatInto(event, sizeof event, "USB adapter given back: %s", back);
            traceEvent(event);
        }
        traceEvent("close");
    }
    line_ = nullptr;
    writeFailed_ = false;
    sentPending_ = false;
}

void SerialLine::traceEvent(std::string_view what) noexcept {
    if (traceFd_ < 0) return;
    flushRawTrace();
    writeTraceLine(what);
}

void SerialLine::writeTraceLine(std::string_view what) noexcept {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    char stamp[40];
    std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(stamp + n, sizeof stamp - n, ".%03ld", ts.tv_nsec / 1000000);
    char line[8192];
    int len = std::snprintf(line, sizeof line, "%s COM%d %.*s\n", stamp, index_ + 1,
                            static_cast<int>(what.size()), what.data());
    if (len <= 0) return;
    std::size_t size = static_cast<std::size_t>(len) < sizeof line ? static_cast<std::size_t>(len)
                                                                   : sizeof line - 1;
    if (size > 0 && line[size - 1] != '\n') line[size - 1] = '\n';
    ssize_t w = ::write(traceFd_, line, size); // one write: lines stay whole
    (void)w;
}

void SerialLine::traceExchange(std::string_view reply, int result) noexcept {
    if (traceFd_ < 0) {
        sentPending_ = false;
        return;
    }
    char sent[300];
    char got[4200];
    if (sentPending_)
        escapeBytes(std::string_view(sent_, sentLength_), sent, sizeof sent);
    else
        copyText(sent, sizeof sent, "");
    escapeBytes(reply, got, sizeof got);
    char line[4600];
    std::snprintf(line, sizeof line, "%s%s%s <-- '%s' = %d", sentPending_ ? "--> '" : "--> (none)",
                  sent, sentPending_ ? "'" : "", got, result);
    sentPending_ = false;
    traceEvent(line);
}

void SerialLine::flushPendingTrace() noexcept {
    if (!sentPending_) return;
    sentPending_ = false;
    if (traceFd_ < 0) return;
    char sent[300];
    escapeBytes(std::string_view(sent_, sentLength_), sent, sizeof sent);
    char line[400];
    std::snprintf(line, sizeof line, "--> '%s' (no read)", sent);
    traceEvent(line);
}

} // namespace r70
