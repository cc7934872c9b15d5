#pragma once
// CConfigApp: the application object. It owns the program-wide state (the
// connection, the device identity, language and sound, the device-state
// cache) and the ways out of the program: the driver, the profiles and the
// clock, all injected so that tests run without a device, files or time.

#include "core/clock.h"
#include "core/detection.h"
#include "core/device_cache.h"
#include "core/port_access.h"
#include "core/profile_store.h"
#include "driver/api/r70com32.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quorvex::core {

// The library's record of the line (D_WatchLine, D_TakeExchange), for the
// check of the device.
struct LineWatchFns {
    std::function<int32_t(int32_t on)> watch;
    std::function<int32_t(DRVEXCHANGE* exchange)> take;
    // What the line's USB adapter holds back (D_LineAdapter); may be empty.
    std::function<int32_t(DRVADAPTER* adapter)> adapter = {};
};

class CConfigApp {
public:
    // direct, when given, takes the calls that go around the wrapper
    // (callDriver) so that they can be told apart; else driver takes both.
    CConfigApp(DriverFn driver, ProfileStore& profiles, Clock& clock, DriverFn direct = {});

    // The wrapper every page uses: -2 without calling the driver while not connected.
    int32_t SendDrvCmd(uint16_t code, DRVPARAM* p);
    // How many calls that change a setting (operation set, clear or second
    // set) got no reply or found no device so far: a profile load compares
    // it before and after to tell a load the device did not take whole.
    int unansweredChanges() const { return unansweredChanges_; }
    // Straight to the driver, for the calls that must work while not
    // connected: detection, close, identity, boot probe, heartbeat, reopen.
    int32_t callDriver(uint16_t code, DRVPARAM* p);
    // callDriver as a function, for the detection steps.
    DriverFn directDriver() {
        return [this](uint16_t code, DRVPARAM* p) { return callDriver(code, p); };
    }

    // Bracket long device exchanges; the heartbeat skips its ticks meanwhile.
    // Nested brackets are counted, and a resume without a suspend does nothing.
    void suspendHeartbeat() { ++suspendCount_; }
    void resumeHeartbeat() {
        if (suspendCount_ > 0) --suspendCount_;
    }
    bool heartbeatSuspended() const { return suspendCount_ > 0; }

    // While on, the first call through SendDrvCmd that gets no reply ends the
    // device's part of the work: every later one returns -2 at once. For a
    // gather whose result is void unless every read succeeds.
    void stopAtFirstSilence(bool on) {
        stopAtSilence_ = on;
        silenceMet_ = false;
    }

    // Takes a freshly read identity: identified, names, model, port count.
    void applyIdentity(const Identity& id);
    // Detection failed: model 0, port -1, "????", "?.?.?", not identified.
    void resetIdentity();

    ProfileStore& profiles() { return *profiles_; }
    // Another store in the place of the profiles (ProfilesInPlace does it for a scope).
    void useProfiles(ProfileStore& store) { profiles_ = &store; }
    Clock& clock() { return clock_; }
    const DriverFn& driver() const { return driver_; }

    // Program-wide state.
    bool connected = false;
    bool identified = false;
    bool bootLoaderFound = false;
    std::string deviceName = "????";
    std::string firmwareText = "?.?.?";
    std::string bootCodeText = "?.?.?";
    int modelNumber = 0;
    int portIndex = -1;
    bool usbVariant = false;
    int portCount = 5;
    int pageModel = 0;
    int language = 0; // 0 English, 1 German
    bool soundOn = false;
    bool largeFonts = false;
    std::string programDir;
    std::string defaultProfile;
    std::string currentProfile;
    int currentPageIndex = 0;

    DeviceCache cache;
    // The machine's serial ports and the chosen one; null where a test has no use for them.
    PortAccess* ports = nullptr;
    // The library's record of the line; empty where a test has no use for it.
    LineWatchFns lineWatch;
    // The node the device's port led to when it was last found, to tell the
    // user when it comes back under another one.
    std::string portNode;

private:
    DriverFn driver_;
    DriverFn direct_;
    ProfileStore* profiles_;
    Clock& clock_;
    int suspendCount_ = 0;
    bool stopAtSilence_ = false;
    bool silenceMet_ = false;
    int unansweredChanges_ = 0;
};

// Keeps the heartbeat (and the posted work that waits for it) quiet for a
// scope: the work in it owns the line.
class HeartbeatPause {
public:
    explicit HeartbeatPause(CConfigApp& app) : app_(app) { app_.suspendHeartbeat(); }
    ~HeartbeatPause() { app_.resumeHeartbeat(); }
    HeartbeatPause(const HeartbeatPause&) = delete;
    HeartbeatPause& operator=(const HeartbeatPause&) = delete;

private:
    CConfigApp& app_;
};

// Finds the device (command 0, or 57 on the remembered port) and takes its
// identity: connected, pageModel and portCount follow. On failure the
// identity is reset to "not identified".
bool detectDevice(CConfigApp& app, FindMode mode = FindMode::Find);

} // namespace quorvex::core
