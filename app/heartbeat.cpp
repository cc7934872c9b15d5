#include "app/heartbeat.h"

namespace quorvex::app {

void Heartbeat::tick() {
    if (!running_ || inTick_ || app_.heartbeatSuspended() || !app_.identified) return;
    inTick_ = true;
    if (app_.callDriver(DRV_PING2, nullptr) == 1) {
        silentTicks_ = 0;
        if (!app_.connected) ui_.beep(); // the device is back
        app_.connected = true;
    } else {
        app_.connected = false;
        if (++silentTicks_ > 3) {
            silentTicks_ = 0;
            showNotFound();
        }
    }
    inTick_ = false;
}

void Heartbeat::showNotFound() {
    if (notFoundOpen_) return;
    notFoundOpen_ = true;
    app_.suspendHeartbeat();
    ui_.message(kNotFoundText);
    app_.resumeHeartbeat();
    notFoundOpen_ = false;
}

} // namespace quorvex::app
