#pragma once
// The main window as the firmware upgrade meets it: its own profile save and
// load of "default.pro", identity message and message queue.

#include "app/main_window_logic.h"
#include "maintenance/upgrade.h"

namespace quorvex::app {

// The desktop program's host: the main window's own profile save and load,
// identity message and message queue.
class MainWindowUpgradeHost final : public maintenance::UpgradeHost {
public:
    explicit MainWindowUpgradeHost(MainWindowLogic& main) : main_(main) {}
    core::SaveResult saveDefaultProfile() override {
        return main_.profileSave(core::kDefaultProfile, kDefaultProfileName,
                                 core::Unconfirmed::Refuse);
    }
    void loadDefaultProfile() override {
        main_.profileLoad(core::kDefaultProfile, kDefaultProfileName);
    }
    void forgetDevice() override { main_.forgetDevice(); }
    void identity() override { main_.deviceRestarted(); }
    void postCommand(int command) override { main_.postCommand(command); }

    static constexpr const char* kDefaultProfileName = "default.pro";

private:
    MainWindowLogic& main_;
};

} // namespace quorvex::app
