#include "sim/sim_device.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace quorvex::sim {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The loader repeats its complaint while it waits at 19200 baud.
constexpr auto kPromptInterval = 1500ms;
// "AT!DOWNLOAD" takes this long to restart into the loader.
constexpr auto kLoaderRestart = 500ms;
// A transfer that stops this long is abandoned (a stray "AT" is not an image).
constexpr auto kReceiveTimeout = 2000ms;
// Fewer bytes than one block are noise, not a transfer worth a "FAIL".
constexpr std::size_t kNoiseBytes = 512;
// Longest command line the device buffers.
constexpr std::size_t kMaxLine = 128;
// How often the device looks at the line speed while nothing arrives.
// Bytes taken from the line at a time while the receive side is paced.
constexpr std::size_t kPacedReadBytes = 256;
constexpr int kPollMs = 5;
// Paced output goes out in chunks this big (under 3 ms at 115200 baud).
constexpr std::size_t kChunk = 32;
// Command lines kept for a look at what the device was told.
constexpr std::size_t kMaxReceived = 100000;

} // namespace

unsigned termiosBaud(unsigned s) {
    switch (s) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

bool replaceLink(const std::string& link, const std::string& target, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        return false;
    };
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        errno = EEXIST;
        return fail("link " + link + " exists and is not a symbolic link");
    }
    // A new link beside it, renamed over it: the link never dangles.
    const std::string tmp = link + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0) return fail("symlink " + tmp);
    if (::rename(tmp.c_str(), link.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return fail("rename to " + link);
    }
    return true;
}

SimDevice::SimDevice(SimOptions options)
    : options_(std::move(options)), state_(freshState(options_.model)), interpreter_(state_) {
    if (!options_.stateFile.empty() && ::access(options_.stateFile.c_str(), F_OK) == 0) {
        std::string why;
        auto loaded = loadStateFile(options_.stateFile, &why);
        if (!loaded)
            loadError_ = "state file " + why;
        else if (loaded->model != options_.model)
            loadError_ = "state file " + options_.stateFile + " belongs to a " +
                         std::string(modelName(loaded->model));
        else
            state_ = std::move(*loaded);
    }
    if (options_.bootMode) state_.bootMode = true;
    interpreter_.setPersist([this](const DeviceState& s) {
        return options_.stateFile.empty() || saveStateFile(options_.stateFile, s);
    });
}

SimDevice::~SimDevice() {
    stop();
}

bool SimDevice::start(std::string* error) {
    std::lock_guard life(lifecycle_);
    if (running_) return true;
    {
        std::lock_guard lock(mutex_);
        if (!loadError_.empty()) {
            if (error) *error = loadError_;
            return false;
        }
    }
    if (!openLine(error)) return false;
    stopping_ = false;
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void SimDevice::stop() {
    std::lock_guard life(lifecycle_);
    if (!running_) return;
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    closeLine();
    running_ = false;
}

bool SimDevice::running() const {
    return running_;
}

std::string SimDevice::slavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

bool SimDevice::openLine(std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        closeLine();
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
    // Holding the slave open keeps the master readable when the program closes
    // its side, and gives the device the line settings the program made.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return fail(std::string("open ") + name);
    termios t{};
    if (::tcgetattr(slave_, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B115200);
        ::cfsetospeed(&t, B115200);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    if (!options_.link.empty() && !replaceLink(options_.link, name, error)) {
        closeLine();
        return false;
    }
    std::lock_guard lock(mutex_);
    slavePath_ = name;
    deafUntil_ = Clock::now() + faults_.startSilence;
    lastBaud_ = 0;
    lineBuffer_.clear();
    pending_.clear();
    return true;
}

void SimDevice::closeLine() {
    if (!options_.link.empty()) {
        struct stat st {};
        if (::lstat(options_.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(options_.link.c_str());
    }
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

unsigned SimDevice::readBaud() const {
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) return 0;
    return termiosBaud(::cfgetospeed(&t));
}

unsigned SimDevice::lineBaud() const {
    return readBaud();
}

void SimDevice::run() {
    uint8_t buf[4096];
    // With pacing the device's UART takes bytes no faster than the line
    // carries them: the program's writes then take their real time.
    Clock::time_point rxFree{};
    while (!stopping_) {
        int timeout = kPollMs;
        bool rxBusy = false;
        if (options_.pacing) {
            const auto left = rxFree - Clock::now();
            if (left > Clock::duration::zero()) {
                rxBusy = true;
                const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
                timeout = static_cast<int>(std::min<long long>(ms, kPollMs));
            }
        }
        bool stalled = false;
        {
            std::lock_guard lock(mutex_);
            stalled = stalledAt_.has_value();
        }
        pollfd p{master_, static_cast<short>(rxBusy || stalled ? 0 : POLLIN), 0};
        ::poll(&p, 1, timeout);
        const auto now = Clock::now();
        const unsigned baud = readBaud();
        {
            std::lock_guard lock(mutex_);
            if (loaderAt_ && now >= *loaderAt_) {
                loaderAt_.reset();
                state_.bootMode = true;
                receiver_.reset();
                lineBuffer_.clear();
                lastBaud_ = 0; // a restart: the loader looks at the line afresh
            }
            if (state_.bootMode) {
                const bool idle = !receiver_.receiving();
                if (baud != lastBaud_ && baud == 19200 && idle) {
                    schedule(std::string(kLoaderPrompt), now, false);
                    lastPrompt_ = now;
                } else if (baud == 19200 && idle && now - lastPrompt_ >= kPromptInterval) {
                    schedule(std::string(kLoaderPrompt), now, false);
                    lastPrompt_ = now;
                }
                if (!idle && now - lastRx_ >= kReceiveTimeout) {
                    if (receiver_.received() >= kNoiseBytes)
                        schedule(std::string(kDownloadFail), now, true);
                    receiver_.reset();
                    lastPrompt_ = now;
                }
            }
            lastBaud_ = baud;
        }
        if (p.revents & POLLIN) {
            const std::size_t want = options_.pacing ? kPacedReadBytes : sizeof buf;
            ssize_t n = ::read(master_, buf, want);
            if (n > 0) {
                onBytes(buf, static_cast<std::size_t>(n), baud, now);
                if (options_.pacing) {
                    const unsigned rate = baud ? baud : 115200;
                    // A stream keeps its schedule; a first byte after a pause starts anew.
                    const auto start = now - rxFree < 2ms ? rxFree : now;
                    rxFree = start + std::chrono::microseconds(static_cast<std::uint64_t>(n) *
                                                               10'000'000ull / rate);
                }
            }
        }
        // Send what is due, in order; later parts wait for their time.
        for (;;) {
            std::string bytes;
            bool reply = false;
            {
                std::lock_guard lock(mutex_);
                if (pending_.empty() || pending_.front().due > Clock::now()) break;
                bytes = std::move(pending_.front().bytes);
                reply = pending_.front().reply;
                pending_.pop_front();
            }
            sendBytes(bytes, baud ? baud : 115200, reply);
        }
    }
}

void SimDevice::onBytes(const uint8_t* data, std::size_t n, unsigned baud, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    counters_.bytesIn += n;
    if (state_.bootMode) {
        // The loader takes raw bytes at whatever speed the line runs.
        lastRx_ = now;
        if (faults_.stallAfter > 0 && receiver_.received() + n >= faults_.stallAfter) {
            // The bytes up to the stall arrive; nothing after them does.
            const std::size_t taken = faults_.stallAfter > receiver_.received()
                                          ? faults_.stallAfter - receiver_.received()
                                          : 0;
            (void)receiver_.feed({data, taken});
            stalledAt_ = now;
            pending_.clear();
            return;
        }
        if (receiver_.feed({data, n})) onImageComplete(now);
        return;
    }
    if (loaderAt_) return;         // restarting: nothing is heard
    if (now < deafUntil_) return;  // still starting after a replug
    if (baud != modeBaud_) return; // wrong speed: the UART sees only noise
    for (std::size_t i = 0; i < n; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\r') {
            std::string line;
            line.swap(lineBuffer_);
            if (lineOverflow_) {
                lineOverflow_ = false;
                schedule(std::string(kError), now, true);
            } else if (!line.empty()) {
                onLine(line, now);
            }
            if (state_.bootMode || loaderAt_) return;
        } else if (c == '\n' && lineBuffer_.empty()) {
            continue;
        } else if (lineBuffer_.size() >= kMaxLine) {
            lineOverflow_ = true;
        } else {
            lineBuffer_ += c;
        }
    }
}

void SimDevice::onLine(const std::string& line, Clock::time_point now) {
    ++counters_.commands;
    if (received_.size() < kMaxReceived) received_.push_back(line);
    Outcome out = interpreter_.handle(line);
    if (out.action == Action::EnterLoader) loaderAt_ = now + kLoaderRestart;
    if (!faults_.oddValuePrefix.empty() && line.starts_with(faults_.oddValuePrefix))
        out.parts = {ReplyPart{replyWithValue(faults_.oddValue), 0ms}};
    const bool faulty = faults_.scope.empty() || line.starts_with(faults_.scope);
    auto due = now + (faulty ? faults_.lateFirstByte : 0ms);
    for (ReplyPart& part : out.parts) {
        due += part.delay;
        const bool refused = !faults_.refused.empty() && line.rfind(faults_.refused, 0) == 0;
        std::string bytes = (faults_.noOk && faulty) || refused ? std::string(kError)
                            : faulty ? withExtra(std::move(part.bytes), faults_.extra)
                                     : std::move(part.bytes);
        schedule(std::move(bytes), due, faulty);
    }
    if (faulty && faults_.extra == Extra::LineAfter && !out.parts.empty())
        schedule(std::string(kUnaskedLine), due + faults_.extraAfter, false);
}

void SimDevice::onImageComplete(Clock::time_point now) {
    lastImage_.assign(receiver_.image().begin(), receiver_.image().end());
    std::string why;
    auto info = checkImage(receiver_.image(), state_.model, &why);
    receiver_.reset();
    lastPrompt_ = now;
    if (!info) {
        schedule(std::string(kDownloadFail), now, true);
        return;
    }
    schedule(std::string(kDownloadOk), now, true);
    // Restart into the new firmware at the normal speed.
    state_.firmware = info->firmware;
    state_.bootCode = info->bootCode;
    state_.bootMode = false;
    if (!options_.keepSettingsOnFlash) resetToFactory(state_);
    modeBaud_ = 115200;
    lineBuffer_.clear();
}

void SimDevice::schedule(std::string bytes, Clock::time_point due, bool reply) {
    if (faults_.silent || stalledAt_) return;
    if (reply && faults_.garbage != Garbage::Off) {
        std::string junk;
        for (std::size_t i = 0; i < faults_.garbageCount; ++i) {
            random_ ^= random_ << 13;
            random_ ^= random_ >> 17;
            random_ ^= random_ << 5;
            // High bytes only: noise must not spell "OK", "0" or "FAIL" by chance.
            junk += static_cast<char>(0x80 | (random_ & 0x7f));
        }
        bytes = faults_.garbage == Garbage::Instead ? junk : junk + bytes;
    }
    // Parts of one reply never overtake each other.
    if (!pending_.empty() && pending_.back().due > due) due = pending_.back().due;
    pending_.push_back({due, std::move(bytes), reply});
}

void SimDevice::sendBytes(const std::string& bytes, unsigned baud, bool reply) {
    std::size_t pauseAfter;
    std::chrono::milliseconds pause;
    bool pacing = options_.pacing;
    {
        std::lock_guard lock(mutex_);
        pauseAfter = faults_.pauseAfter;
        pause = reply ? faults_.pause : 0ms;
    }
    auto start = Clock::now();
    std::size_t sent = 0, paced = 0;
    while (sent < bytes.size()) {
        std::size_t n = std::min(kChunk, bytes.size() - sent);
        if (pause.count() > 0 && sent < pauseAfter) n = std::min(n, pauseAfter - sent);
        if (!writeAll(bytes.data() + sent, n)) return;
        sent += n;
        paced += n;
        if (pacing) {
            // Sleep against a deadline so that the whole reply keeps the line rate.
            auto deadline = start + std::chrono::microseconds(paced * 10'000'000ull / baud);
            std::this_thread::sleep_until(deadline);
        }
        if (pause.count() > 0 && sent == pauseAfter && sent < bytes.size()) {
            std::this_thread::sleep_for(pause);
            start = Clock::now();
            paced = 0;
        }
    }
}

bool SimDevice::writeAll(const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(master_, data, n);
        if (w > 0) {
            {
                std::lock_guard lock(mutex_);
                counters_.bytesOut += static_cast<std::uint64_t>(w);
            }
            data += w;
            n -= static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno == EAGAIN) {
            // Nobody reads the line: give up on this reply rather than hang.
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, 200) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

void SimDevice::setFaults(Faults faults) {
    std::lock_guard lock(mutex_);
    faults_ = std::move(faults);
    stalledAt_.reset();
}

Faults SimDevice::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::optional<std::chrono::steady_clock::time_point> SimDevice::stalledAt() const {
    std::lock_guard lock(mutex_);
    return stalledAt_;
}

void SimDevice::unplug() {
    stop();
}

bool SimDevice::replug(std::string* error, const std::string& newLink) {
    if (!newLink.empty()) options_.link = newLink;
    return start(error);
}

void SimDevice::setCallInProgress(bool on) {
    std::lock_guard lock(mutex_);
    state_.callInProgress = on;
}

void SimDevice::setLineFlag(int portIndex, bool on) {
    std::lock_guard lock(mutex_);
    if (portIndex >= 0 && portIndex < 5) state_.lineFlags[static_cast<std::size_t>(portIndex)] = on;
}

void SimDevice::setIsdnStatus(int status) {
    std::lock_guard lock(mutex_);
    state_.isdnStatus = status;
}

void SimDevice::setForwardingStatus(int port, int reg, int status) {
    std::lock_guard lock(mutex_);
    interpreter_.setForwardingStatus(port, reg, status);
}

void SimDevice::setModeBaud(unsigned baud) {
    std::lock_guard lock(mutex_);
    modeBaud_ = baud;
}

DeviceState SimDevice::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::string SimDevice::query(std::string_view commandLine) {
    std::lock_guard lock(mutex_);
    return interpreter_.handle(commandLine).text();
}

bool SimDevice::inBootMode() const {
    std::lock_guard lock(mutex_);
    return state_.bootMode || loaderAt_.has_value();
}

std::size_t SimDevice::imageBytesReceived() const {
    std::lock_guard lock(mutex_);
    return receiver_.received();
}

std::vector<uint8_t> SimDevice::lastImage() const {
    std::lock_guard lock(mutex_);
    return lastImage_;
}

} // namespace quorvex::sim

namespace quorvex::sim {

SimDevice::LineCounters SimDevice::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

void SimDevice::resetCounters() {
    std::lock_guard lock(mutex_);
    counters_ = LineCounters{};
}

std::vector<std::string> SimDevice::receivedLines() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void SimDevice::clearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

} // namespace quorvex::sim
