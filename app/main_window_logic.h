#pragma once
// CMainWnd's logic without a widget: the ten pages and their switching, the
// profile load and save across all pages, the language switch, the rebuild
// after a model change, the settings and data callback values it holds, the
// dialogs it opens, the heartbeat and the quit.

#include "app/heartbeat.h"
#include "app/shell_ui.h"
#include "core/config_app.h"
#include "core/device_settings.h"
#include "core/held_profiles.h"
#include "core/page.h"
#include "profile/sections.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::app {

// Makes the page objects (logic plus widget in the desktop program). A
// factory may return nullptr for a page it cannot build; that index is then
// skipped everywhere.
class PageFactory {
public:
    virtual ~PageFactory() = default;
    virtual std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& host) = 0;
};

inline constexpr int kLoadProgressRange = 25000; // the bar measures ms against an assumed 25 s
inline constexpr int kSaveProgressRange = 100;
inline constexpr int kProgressCloseWaitMs = 400;
// "The profile was loaded only in part: ..." with the number of settings.
inline constexpr int kTextLoadIncomplete = 10002;
// "Load Profile...": a profile that lacks settings (the question's head and
// its end), and values the load did not send as the profile gives them.
inline constexpr int kTextProfileLacks = 10700;
inline constexpr int kTextLoadLackingAsDefaults = 10702;
inline constexpr int kTextNotSentAsGiven = 10704;
// "Save Profile As...": no file can be written by that name (the reason follows).
inline constexpr int kTextCannotSaveThere = 10708;

class MainWindowLogic final : public core::PageHost {
public:
    MainWindowLogic(core::CConfigApp& app, ShellUi& ui, PageFactory& factory);

    // (Re)creates the ten pages for app.pageModel's layout.
    void buildPages();
    core::Page* page(int index) const;
    int currentIndex() const { return currentIndex_; }
    bool initialised(int index) const;

    // A command that reached the main window (menus of any page, buttons).
    void command(int id);
    // A command that a page received first: 5000-5009 leave the page (same
    // page: nothing; otherwise may-leave, then switch), 2153 asks may-leave
    // before quitting; anything else goes on to command().
    void pageCommand(int id);

    // Command 5000 + k reaching the main window.
    void switchTo(int k);
    // A message posted to page index (ShellUi::postPageMessage) reaching it.
    void pageMessage(int index, core::UserMessage message);

    // UM_PROFILELOAD / UM_PROFILESAVE: all settings from / to selector's profile.
    // name is the file name shown in the status window. A load returns every
    // key that could not be written (and shows them to the user), and tells
    // the user when settings got no reply (the device holds part of the profile).
    // What the profile lacks (app::tryLoad) loads as its defaults,
    // or with MissingKeys::Keep not at all: a section the file lacks whole is
    // not loaded, a key missing from a section it has keeps the device's value.
    core::WriteReport profileLoad(int selector, std::string_view name,
                                  core::MissingKeys missing = core::MissingKeys::Defaults);
    // A save first gathers (reads the callback settings, reads the pages not
    // read yet, and again those holding stand-ins for failed queries when they
    // have no unsent changes), then writes only when every item is confirmed
    // by the device or policy Ask and the user agree. A save that writes
    // nothing leaves the default profile byte for byte as it found it.
    // The file is written once, when every key is there; start Empty begins
    // it afresh (no key of an older profile stays), AsFile keeps what else the
    // file holds.
    core::SaveResult
    profileSave(int selector, std::string_view name,
                core::Unconfirmed policy = core::Unconfirmed::Ask,
                core::HeldProfiles::Start start = core::HeldProfiles::Start::AsFile);
    // Writes every section (BACK_DIV, SET_DIV, the pages) from what the main
    // window and the pages hold now, reading nothing.
    core::WriteReport writeSections(int selector);
    // What the last profile load sent of BACK_DIV and SET_DIV (each page keeps its own).
    const core::SendReport& sectionReport() const { return sectionReport_; }

    // UM_LANGUAGE: app.language := lang, written to the default profile, everything relabelled.
    profile::WriteResult setLanguage(int lang);
    // UM_MODELCHANGED: rebuild the pages when the device's model differs from pageModel.
    void modelChanged();
    // UM_IDENTITY: read the identity (command 31).
    void readIdentity();
    // The device is taking new firmware: every page, the settings and data
    // callback values and the device-state cache stop counting as the
    // device's (Page::forget), so that the next load sends every item.
    void forgetDevice();
    // After new firmware: the identity, and when the pages were built for
    // another layout (a device found in its boot loader gets the five-port
    // pages of an unknown model), pages for the model, before its settings
    // are loaded back.
    void deviceRestarted();

    // The settings dialog's values (39, 55 twice, 40-43).
    void readSettingsFromDevice();
    void readCallbackFromDevice();
    core::DeviceSettings& settings() { return settings_; }
    core::CallbackSettings& callback() { return callback_; }

    // Quit (2153): command 6 under the wait cursor, then the window closes.
    int32_t quit();

    Heartbeat& heartbeat() { return heartbeat_; }

    // PageHost
    void progress() override;
    void msnChanged() override;
    void postCommand(int command) override { ui_.postCommand(command); }
    void reportWriteFailures(const core::WriteReport& report) override {
        ui_.reportWriteFailures(report);
    }
    void openCallbackDialog() override { ui_.runCallbackDialog(); }

private:
    profile::WriteResult setLanguageQuietly(int lang);
    void loadCallbackSection(int selector);
    void loadSettingsSection(int selector, core::WriteReport& report);
    void saveSettingsSection(int selector, core::WriteReport& report);
    void initialiseForProfile(int index);
    std::vector<profile::Section> keepDeviceValues(int selector,
                                                   const std::vector<std::string>& lacking,
                                                   core::HeldProfiles& filled);
    void readPage(int index);
    std::vector<std::string> gatherForSave(core::Unconfirmed policy);
    void loadProfileCommand();
    void saveProfileCommand();
    void monitorMode();
    void checkDevice();
    void upgrade();
    void pausePolling(bool pause);
    int progressPosition() const;

    core::CConfigApp& app_;
    ShellUi& ui_;
    PageFactory& factory_;
    Heartbeat heartbeat_;
    std::array<std::unique_ptr<core::Page>, menus::kPageCount> pages_;
    // initialised: the page's first read has been asked for (posted, or done
    // for a profile); read: it has run. A save in between must read it first.
    std::array<bool, menus::kPageCount> initialised_{};
    std::array<bool, menus::kPageCount> read_{};
    int currentIndex_ = -1;
    int previousIndex_ = -1;

    core::DeviceSettings settings_;
    core::CallbackSettings callback_;
    core::ItemTable settingsTable_;
    core::ItemTable callbackTable_;
    core::SendReport sectionReport_;

    bool loading_ = false;
    std::int64_t loadStart_ = 0;
};

} // namespace quorvex::app
