// A scripted fake device on a pseudo-terminal, for tests of the driver over a
// real line. A thread answers each command (text up to its CR) at once with
// what the script returns; the slave side is held open so the driver's closes
// never hang the line up, and so the test can look at the line settings.
#ifndef TESTS_SUPPORT_PTY_DEVICE_H
#define TESTS_SUPPORT_PTY_DEVICE_H

#include <termios.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct DeviceReply {
    std::string text;        // what the device sends back
    int delayMs = 0;         // before the first byte
    std::size_t pauseAt = 0; // when pauseMs > 0: bytes sent before the pause
    int pauseMs = 0;         // a gap inside the reply
    bool silent = false;     // no answer at all
};

// "\r\n<value>\r\n\r\nOK\r\n", the form of a successful answer.
DeviceReply okReply(const std::string& value);
DeviceReply silence();

class PtyDevice {
public:
    using Script = std::function<DeviceReply(const std::string& command)>;

    explicit PtyDevice(Script script);
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    const std::string& path() const { return path_; }
    void setScript(Script script);

    std::vector<std::string> commands() const; // every command text received, without CR
    std::string bytesReceived() const;         // everything the driver wrote
    std::size_t repliesSent() const { return replies_; }
    // True when bytes of a new command came before the device had answered
    // the previous one (two exchanges interleaved on the line).
    bool interleaved() const { return interleaved_; }
    // Bytes waiting in the line's input (sent by the device, not yet read).
    int pendingInput() const;
    speed_t speed() const;

    // Sends bytes unasked (a boot loader's message, say).
    void send(const std::string& bytes);
    // Stops taking bytes from the line (a far end held by flow control, a
    // pulled cable), and takes them again.
    void setReading(bool on) { reading_ = on; }

private:
    void run();
    void answer(const std::string& command);
    bool waitGap(int ms); // waits ms, reading the line; false when bytes came

    int master_ = -1;
    int slave_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::string path_;
    mutable std::mutex mutex_;
    Script script_;
    std::vector<std::string> commands_;
    std::string received_;
    std::string pending_;
    std::atomic<std::size_t> replies_{0};
    std::atomic<bool> interleaved_{false};
    std::atomic<bool> reading_{true};
    std::thread thread_;
};

// A device of the given model: "ATI4" answers ati4 ("613", "633", "633 USB"),
// "ATI3" answers the firmware line and a boot-code line; "AT" and every other
// command answer "OK".
PtyDevice::Script modelScript(const std::string& ati4, const std::string& firmware = "V2.10 R70",
                              const std::string& bootCode = "1.05");

} // namespace testsupport

#endif
