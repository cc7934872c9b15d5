#pragma once
// The heartbeat: once a second (the caller's timer calls tick()) the device
// is asked "AT" (command 55, straight to the driver). It keeps the connected
// flag and tells the user after every fourth silent tick in a row, and where
// the device is when it comes back under another node.

#include "app/shell_ui.h"
#include "core/config_app.h"

#include <string>

namespace quorvex::app {

inline constexpr int kHeartbeatPeriodMs = 1000;
inline constexpr int kNotFoundText = 9062;

class Heartbeat {
public:
    Heartbeat(core::CConfigApp& app, ShellUi& ui) : app_(app), ui_(ui) {}

    void start() { running_ = true; }
    void stop() { running_ = false; }
    bool running() const { return running_; }

    // One timer tick; does nothing while stopped, suspended, already in a
    // tick, or while no device is identified.
    void tick();

    // UM_NOTFOUND: the not-found message (string 9062). The heartbeat is
    // suspended while it is open; a request while one is open is ignored.
    void showNotFound();

    int silentTicks() const { return silentTicks_; }

private:
    // The device answers again: when it came back under another node (the
    // adapter replugged), the user is told where it is now.
    void noticeReturn();
    // The driver makes a network port's connection in the background while
    // the device is away: the window says so instead of freezing.
    void noteConnection(bool answered);

    core::CConfigApp& app_;
    ShellUi& ui_;
    bool running_ = false;
    bool inTick_ = false;
    bool notFoundOpen_ = false;
    int silentTicks_ = 0;
    std::string note_; // the connection note shown now
};

} // namespace quorvex::app
