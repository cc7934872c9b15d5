#include "app/heartbeat.h"

namespace quorvex::app {

void Heartbeat::tick() {
    if (!running_ || inTick_ || app_.heartbeatSuspended() || !app_.identified) return;
    inTick_ = true;
    const bool answered = app_.callDriver(DRV_PING2, nullptr) == 1;
    noteConnection(answered);
    if (answered) {
        silentTicks_ = 0;
        if (!app_.connected) {
            ui_.beep(); // the device is back
            app_.connected = true;
            noticeReturn();
        }
    } else {
        app_.connected = false;
        if (++silentTicks_ > 3) {
            silentTicks_ = 0;
            showNotFound();
        }
    }
    inTick_ = false;
}

void Heartbeat::noticeReturn() {
    if (app_.ports == nullptr) return;
    // The driver found the adapter again by its stable name or serial number;
    // its COM name or node may have changed with the replug.
    const core::Identity id = core::readIdentity(app_.directDriver());
    if (id.portIndex >= 0) app_.portIndex = id.portIndex;
    const std::string node = app_.ports->comNode(app_.portIndex);
    const bool moved = !app_.portNode.empty() && !node.empty() && node != app_.portNode;
    app_.portNode = node;
    if (!moved) return;
    app_.suspendHeartbeat();
    ui_.messageWithTail(core::kTextFoundAgain, app_.ports->comName(app_.portIndex) + " -> " + node);
    app_.resumeHeartbeat();
}

void Heartbeat::noteConnection(bool answered) {
    std::string note;
    if (!answered && app_.ports != nullptr) {
        const DRVPORTREASON reason = app_.ports->reason(app_.portIndex);
        if (reason.nWhy == DRV_WHY_CONNECTING) note = core::reasonText(reason, app_.language);
    }
    if (note == note_) return;
    note_ = note;
    ui_.connectionNote(note);
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
