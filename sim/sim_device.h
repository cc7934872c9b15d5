// One simulated device on the master side of a pseudo-terminal: the line
// (speed, pacing, timing), the boot loader, and the fault switches. The device
// logic itself is the Interpreter; this is its transport. Thread-safe.
#pragma once

#include "sim/device_state.h"
#include "sim/firmware_image.h"
#include "sim/interpreter.h"
#include "sim/odd_reply.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvex::sim {

struct SimOptions {
    Model model = Model::R70;
    std::string link;      // symlink to the slave (empty: none)
    std::string stateFile; // loaded at the first start, written by "AT&W" (empty: none)
    bool bootMode = false; // start in the boot loader
    bool pacing = true;    // send at the line speed, 10 bits a byte
    // A successful firmware download leaves the settings, call lists and
    // charges as they were; by default the new firmware comes up with the
    // factory settings, as a real device may.
    bool keepSettingsOnFlash = false;
};

enum class Garbage { Off, Instead, Before };

// The speed of a termios speed code (B115200: 115200); 0 for one the device
// does not know.
unsigned termiosBaud(unsigned speedCode);
// Points link at target (a new link renamed over the old one, so that it
// never dangles). False with the reason when link is something else than a
// symbolic link, or cannot be made.
bool replaceLink(const std::string& link, const std::string& target, std::string* error);

// What is wrong with a device: all off by default.
struct Faults {
    bool silent = false;                        // hears, never answers
    std::chrono::milliseconds lateFirstByte{0}; // each reply starts this late
    std::size_t pauseAfter = 0;                 // a reply pauses after this many bytes ...
    std::chrono::milliseconds pause{0};         // ... for this long (0: no pause)
    bool noOk = false;                          // ERROR where OK belongs
    std::string refused{};                       // command lines that begin so get ERROR
    Garbage garbage = Garbage::Off;             // junk before or instead of a reply
    std::size_t garbageCount = 24;              // of this many bytes
    // An odd device rather than a broken one: an extra in every reply, and
    // with Extra::LineAfter the time from the reply to the unasked line.
    Extra extra = Extra::Off;
    std::chrono::milliseconds extraAfter{0};
    // Commands that begin with oddValuePrefix are answered with oddValue (one
    // the device would never hold, say); empty prefix: none.
    std::string oddValuePrefix{};
    std::string oddValue{};
    // The reply faults (late first byte, pause, no OK, garbage, extra) touch
    // only commands that begin with scope; empty: every command.
    std::string scope{};
    // After every start (a replug too) the device hears nothing for this
    // long, as a device does while it boots after its adapter came back.
    std::chrono::milliseconds startSilence{0};
    // Once the loader has received this many bytes of an image, the device
    // takes no more bytes from the line and says nothing (switched off, or
    // its flow control holding the line): the line's buffers fill and the
    // program's writes stop going out. 0 = off.
    std::size_t stallAfter = 0;
};

class SimDevice {
public:
    explicit SimDevice(SimOptions options);
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // The state file (when given and present) is loaded here; a file that cannot
    // be used is reported by start().
    // Creates the pseudo-terminal, the link, and runs the device. False with a
    // reason when the state file, the pseudo-terminal or the link fails.
    bool start(std::string* error = nullptr);
    void stop(); // also removes the link
    bool running() const;
    std::string slavePath() const;

    // What is wrong with the device, set whole (Faults{} for a healthy one).
    // A new value also forgets where an earlier stall stopped the device.
    void setFaults(Faults faults);
    Faults faults() const;
    // When the device stopped taking bytes (Faults::stallAfter).
    std::optional<std::chrono::steady_clock::time_point> stalledAt() const;
    // The device disappears (link removed, pseudo-terminal closed) and comes back
    // on a new pseudo-terminal the link points to again; with newLink, under
    // that name instead (an adapter that came back as ttyUSB1).
    void unplug();
    bool replug(std::string* error = nullptr, const std::string& newLink = {});

    // Device conditions.
    void setCallInProgress(bool on);
    void setLineFlag(int portIndex, bool on); // 0..4 for ports 11, 21, 22, 31, 32
    void setIsdnStatus(int status);
    void setForwardingStatus(int port, int reg, int status);
    void setModeBaud(unsigned baud); // 115200, or 57600 after a switch to it

    // Looking inside.
    DeviceState snapshot() const;
    std::string query(std::string_view commandLine); // runs a command without the line
    bool inBootMode() const;
    std::size_t imageBytesReceived() const;
    // The last whole image the loader received, byte for byte (empty: none yet).
    std::vector<uint8_t> lastImage() const;
    unsigned lineBaud() const; // the speed the program set on the line, 0 when unknown

    // What crossed the line since the start or the last reset (for benchmarks:
    // the wire time of an exchange is its bytes x 10 / baud).
    struct LineCounters {
        std::uint64_t bytesIn = 0;  // received from the program
        std::uint64_t bytesOut = 0; // sent to the program
        std::uint64_t commands = 0; // command lines answered
    };
    LineCounters counters() const;
    void resetCounters();
    // Every command line received since the start or the last clear, without its CR.
    std::vector<std::string> receivedLines() const;
    void clearReceived();

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::string bytes;
        bool reply; // the reply faults apply (a reply in their scope; not loader prompts)
    };

    bool openLine(std::string* error);
    void closeLine();
    void run();
    unsigned readBaud() const;
    void onBytes(const uint8_t* data, std::size_t n, unsigned baud,
                 std::chrono::steady_clock::time_point now);
    void onLine(const std::string& line, std::chrono::steady_clock::time_point now);
    void onImageComplete(std::chrono::steady_clock::time_point now);
    void schedule(std::string bytes, std::chrono::steady_clock::time_point due, bool reply);
    void sendBytes(const std::string& bytes, unsigned baud, bool reply);
    bool writeAll(const char* data, std::size_t n);

    SimOptions options_;
    mutable std::mutex mutex_; // guards everything below except the thread handles
    DeviceState state_;
    Interpreter interpreter_;
    std::string loadError_; // a state file that could not be used
    ImageReceiver receiver_;
    std::vector<uint8_t> lastImage_;
    std::string lineBuffer_;
    bool lineOverflow_ = false;
    unsigned modeBaud_ = 115200;
    unsigned lastBaud_ = 0;
    std::optional<std::chrono::steady_clock::time_point> loaderAt_;
    std::chrono::steady_clock::time_point lastPrompt_{};
    std::chrono::steady_clock::time_point lastRx_{};
    std::deque<Pending> pending_;
    LineCounters counters_;

    Faults faults_;
    std::chrono::steady_clock::time_point deafUntil_{};
    std::optional<std::chrono::steady_clock::time_point> stalledAt_;
    std::vector<std::string> received_;
    uint32_t random_ = 0x2545F491u;

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::mutex lifecycle_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> running_{false};
};

} // namespace quorvex::sim
