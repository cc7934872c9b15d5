#include "app/main_window_logic.h"

#include "app/load_trial.h"
#include "core/detection.h"
#include "core/held_profiles.h"
#include "profile/setting_table.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace quorvex::app {
namespace {

constexpr std::string_view kSetSection = profile::sectionName(profile::Section::Set);
constexpr std::string_view kBackSection = profile::sectionName(profile::Section::Back);

std::string quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

std::string fileNameOf(const std::string& path) {
#ifdef _WIN32
    std::size_t slash = path.find_last_of("/\\");
#else
    std::size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

MainWindowLogic::MainWindowLogic(core::CConfigApp& app, ShellUi& ui, PageFactory& factory)
    : app_(app), ui_(ui), factory_(factory), heartbeat_(app, ui) {
    settingsTable_.add({DRV_LCDGERMAN, 0, 0, core::ValueField::Flag, "LCDDSPING", 0, ""},
                       settings_.lcdGerman);
    settingsTable_.add({DRV_CHGUNIT, 0, 0, core::ValueField::Text, "CHGUNIT", 0, ""},
                       settings_.chargeUnit);
    settingsTable_.add({DRV_AREACODE, 0, 0, core::ValueField::Text, "LCCODE", 0, ""},
                       settings_.areaCode);
    settingsTable_.add({DRV_PABXPREFIX, 0, 0, core::ValueField::Text, "PABX", 0, ""},
                       settings_.pabxPrefix);
    settingsTable_.add({DRV_INTLPREFIX, 0, 0, core::ValueField::Text, "IPREDIAL", 0, ""},
                       settings_.intlPrefix);

    callbackTable_.add({DRV_CALLBACK, 0, 0, core::ValueField::Flag, "CLBKACTIVE", 0, ""},
                       callback_.active);
    for (int i = 0; i < core::kCallbackNumberCount; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "CLBKNUM%d", i);
        callbackTable_.add({DRV_CALLBACKNUM, 0, i, core::ValueField::Text, key, 0, ""},
                           callback_.numbers[static_cast<std::size_t>(i)]);
    }
}

void MainWindowLogic::buildPages() {
    for (int i = 0; i < menus::kPageCount; ++i) {
        pages_[static_cast<std::size_t>(i)] = factory_.createPage(i, app_.pageModel, *this);
    }
}

core::Page* MainWindowLogic::page(int index) const {
    if (index < 0 || index >= menus::kPageCount) return nullptr;
    return pages_[static_cast<std::size_t>(index)].get();
}

bool MainWindowLogic::initialised(int index) const {
    return index >= 0 && index < menus::kPageCount && initialised_[static_cast<std::size_t>(index)];
}

// ---- commands ----

void MainWindowLogic::command(int id) {
    if (id >= menus::kCmdFirstPage && id < menus::kCmdFirstPage + menus::kPageCount) {
        switchTo(id - menus::kCmdFirstPage);
        return;
    }
    switch (id) {
    case menus::kCmdQuit:
        quit();
        return;
    case menus::kCmdMonitor:
        monitorMode();
        return;
    case menus::kCmdLoadProfile:
        loadProfileCommand();
        return;
    case menus::kCmdSaveProfile:
        saveProfileCommand();
        return;
    case menus::kCmdSettings:
        readSettingsFromDevice();
        ui_.runSettingsDialog();
        return;
    case menus::kCmdUpgrade:
        upgrade();
        return;
    case menus::kCmdDataCallback:
        readCallbackFromDevice();
        ui_.runCallbackDialog();
        return;
    case menus::kCmdIsdnInfo:
        ui_.runInfoDialog();
        return;
    case menus::kCmdAbout:
        ui_.showAbout();
        return;
    case menus::kCmdCheckDevice:
        checkDevice();
        return;
    default:
        break;
    }
    if (std::optional<menus::HelpTopic> help = menus::helpTopic(id))
        ui_.showHelp(help->body, help->title);
}

void MainWindowLogic::pageCommand(int id) {
    core::Page* current = page(currentIndex_);
    bool leaving = (id >= menus::kCmdFirstPage && id < menus::kCmdFirstPage + menus::kPageCount) ||
                   id == menus::kCmdQuit;
    if (!leaving || current == nullptr) {
        command(id);
        return;
    }
    if (id == menus::kCmdFirstPage + currentIndex_) return; // the page's own button
    // The field being edited counts: committed first, then the question.
    current->acceptField();
    if (current->mayLeave() == 0) return; // "Cancel" keeps the page
    command(id);
}

void MainWindowLogic::switchTo(int k) {
    core::Page* next = page(k);
    if (next == nullptr) return;
    ui_.setBusy(true);
    ui_.markPageButton(k);
    currentIndex_ = k;
    app_.currentPageIndex = k;
    next->shown();
    ui_.centreMainWindow();
    ui_.refresh(); // the new page is on the screen before the device is read
    if (!initialised_[static_cast<std::size_t>(k)]) {
        // The first showing: texts in the current language, then the device's
        // values, read once the switch is done. Only the upgrade talks to a
        // device that answers in its boot loader: the page reads it later.
        next->language(app_.language);
        if (!app_.bootLoaderFound) {
            ui_.postPageMessage(k, core::UM_READDEVICE);
            initialised_[static_cast<std::size_t>(k)] = true;
        }
    }
    if (core::Page* previous = page(previousIndex_); previous != nullptr && previousIndex_ != k) {
        previous->hidden();
    }
    previousIndex_ = k;
    ui_.setBusy(false);
}

void MainWindowLogic::pageMessage(int index, core::UserMessage message) {
    if (message == core::UM_READDEVICE) {
        // A read posted before the pages were rebuilt is not for the new page,
        // and one a profile load or save has made meanwhile is not made twice.
        if (initialised(index) && !read_[static_cast<std::size_t>(index)]) readPage(index);
        return;
    }
    if (core::Page* p = page(index)) core::dispatch(*p, message, 0);
}

void MainWindowLogic::readPage(int index) {
    if (core::Page* p = page(index)) {
        p->readDevice();
        read_[static_cast<std::size_t>(index)] = true;
    }
}

// ---- profile load and save ----

int MainWindowLogic::progressPosition() const {
    std::int64_t elapsed = app_.clock().now() - loadStart_;
    return static_cast<int>(std::clamp<std::int64_t>(elapsed, 0, kLoadProgressRange));
}

void MainWindowLogic::progress() {
    if (loading_) ui_.progressPosition(progressPosition());
}

void MainWindowLogic::msnChanged() {
    if (core::Page* forwarding = page(menus::kForwardPage)) forwarding->readDevice();
}

void MainWindowLogic::initialiseForProfile(int index) {
    if (!read_[static_cast<std::size_t>(index)]) readPage(index);
    initialised_[static_cast<std::size_t>(index)] = true;
}

void MainWindowLogic::loadCallbackSection(int selector) {
    callbackTable_.load(app_.profiles(), selector, kBackSection);
    callbackTable_.send(app_, sectionReport_, core::SendMode::All);
}

void MainWindowLogic::loadSettingsSection(int selector, core::WriteReport& report) {
    core::ProfileStore& store = app_.profiles();
    int lang = store.readInt(selector, kSetSection, "LANGUAGE", 0);
    // Only 0 and 1 are languages; anything else in a file leaves the language alone.
    if ((lang == 0 || lang == 1) && lang != app_.language) {
        profile::WriteResult r = setLanguageQuietly(lang);
        if (!r.ok)
            report.add({core::kDefaultProfile, std::string(kSetSection), "LANGUAGE", r.error});
    }
    app_.soundOn = store.readInt(selector, kSetSection, "SOUNDON", 0) != 0;
    report.write(store, core::kDefaultProfile, kSetSection, "SOUNDON", app_.soundOn ? "1" : "0");
    settingsTable_.load(store, selector, kSetSection);
    settingsTable_.send(app_, sectionReport_, core::SendMode::All);
}

void MainWindowLogic::saveSettingsSection(int selector, core::WriteReport& report) {
    core::ProfileStore& store = app_.profiles();
    report.write(store, selector, kSetSection, "LANGUAGE", std::to_string(app_.language));
    report.write(store, selector, kSetSection, "SOUNDON", app_.soundOn ? "1" : "0");
    settingsTable_.save(store, selector, kSetSection, report);
}

namespace {

// The section of a profile page (kProfilePages and the sections after BACK_DIV
// and SET_DIV stand in the same order).
profile::Section sectionOfPage(int index) {
    static_assert(menus::kProfilePages.size() + 2 == profile::kSectionOrder.size());
    for (std::size_t i = 0; i < menus::kProfilePages.size(); ++i) {
        if (menus::kProfilePages[i] == index) return profile::kSectionOrder[i + 2];
    }
    return profile::Section::Back;
}

// The profile page of a page's section; -1 for BACK_DIV and SET_DIV.
int pageOfSection(profile::Section section) {
    for (int index : menus::kProfilePages) {
        if (sectionOfPage(index) == section) return index;
    }
    return -1;
}

bool among(const std::vector<profile::Section>& sections, profile::Section s) {
    return std::find(sections.begin(), sections.end(), s) != sections.end();
}

} // namespace

// The device's own values for the keys the file lacks, written into filled
// (the file as it is, in memory); returns the sections it lacks whole.
std::vector<profile::Section>
MainWindowLogic::keepDeviceValues(int selector, const std::vector<std::string>& lacking,
                                  core::HeldProfiles& filled) {
    std::vector<profile::Section> whole;
    std::vector<std::pair<profile::Section, std::string>> keys;
    for (const std::string& item : lacking) {
        const std::size_t slash = item.find('/');
        const auto section = profile::sectionFromName(item.substr(0, slash));
        if (!section) continue;
        if (slash == std::string::npos)
            whole.push_back(*section);
        else
            keys.emplace_back(*section, item.substr(slash + 1));
    }
    filled.hold(selector, core::HeldProfiles::Start::AsFile);
    core::HeldProfiles device(app_.profiles());
    device.hold(selector, core::HeldProfiles::Start::Empty);
    std::vector<profile::Section> saved;
    for (const auto& [section, key] : keys) {
        if (!among(saved, section)) {
            // What the page holds is what the device holds: read it first.
            if (section == profile::Section::Back) readCallbackFromDevice();
            const int index = pageOfSection(section);
            if (index >= 0) initialiseForProfile(index);
            const core::ProfilesInPlace inPlace(app_, device);
            core::WriteReport ignored; // held in memory: nothing can fail
            if (section == profile::Section::Back)
                callbackTable_.save(device, selector, kBackSection, ignored);
            else if (section == profile::Section::Set)
                saveSettingsSection(selector, ignored);
            else if (core::Page* p = page(index))
                p->profileSave(selector);
            saved.push_back(section);
        }
        const std::string_view name = profile::sectionName(section);
        filled.writeString(selector, name, key, device.readString(selector, name, key, ""));
    }
    return whole;
}

core::WriteReport MainWindowLogic::profileLoad(int selector, std::string_view name,
                                               core::MissingKeys missing) {
    core::WriteReport report;
    core::HeldProfiles filled(app_.profiles());
    std::vector<profile::Section> skipped;
    if (missing == core::MissingKeys::Keep) {
        const std::vector<std::string> lacking = tryLoad(app_, selector).lacking;
        if (!lacking.empty()) skipped = keepDeviceValues(selector, lacking, filled);
    }
    const core::ProfilesInPlace inPlace(app_, missing == core::MissingKeys::Keep
                                                  ? static_cast<core::ProfileStore&>(filled)
                                                  : app_.profiles());
    const int unansweredBefore = app_.unansweredChanges();
    loading_ = true;
    loadStart_ = app_.clock().now();
    sectionReport_.clear();
    ui_.progressOpen(6194, quoted(name), kLoadProgressRange);
    ui_.progressPosition(0);
    if (!among(skipped, profile::Section::Back)) loadCallbackSection(selector);
    ui_.progressPosition(progressPosition());
    if (!among(skipped, profile::Section::Set)) loadSettingsSection(selector, report);
    ui_.progressPosition(progressPosition());
    for (int index : menus::kProfilePages) {
        ui_.progressPosition(progressPosition());
        core::Page* p = page(index);
        if (p == nullptr || among(skipped, sectionOfPage(index))) continue;
        initialiseForProfile(index);
        p->profileLoad(selector);
    }
    ui_.progressText(6196);
    ui_.progressPosition(kLoadProgressRange);
    app_.clock().sleep(kProgressCloseWaitMs);
    ui_.progressClose();
    loading_ = false;
    // A device lost during the load (an adapter pulled out) holds part of the
    // profile now: the user must know, or he takes it for loaded.
    if (const int missed = app_.unansweredChanges() - unansweredBefore; missed > 0)
        ui_.messageWithTail(kTextLoadIncomplete, " " + std::to_string(missed));
    if (!report.ok()) ui_.reportWriteFailures(report);
    return report;
}

namespace {
// For a save that writes nothing unless every read succeeds: the first call
// the device does not answer ends the reading (the others would each wait
// out their time-out to the same end).
class StopAtFirstSilence {
public:
    StopAtFirstSilence(core::CConfigApp& app, bool on) : app_(app) { app_.stopAtFirstSilence(on); }
    ~StopAtFirstSilence() { app_.stopAtFirstSilence(false); }
    StopAtFirstSilence(const StopAtFirstSilence&) = delete;
    StopAtFirstSilence& operator=(const StopAtFirstSilence&) = delete;

private:
    core::CConfigApp& app_;
};
} // namespace

// Everything a save writes, read where it is not known yet; returns the
// items still not confirmed by the device.
std::vector<std::string> MainWindowLogic::gatherForSave(core::Unconfirmed policy) {
    StopAtFirstSilence stop(app_, policy == core::Unconfirmed::Refuse);
    readCallbackFromDevice(); // the file holds what the device holds now
    std::vector<std::string> missing;
    settingsTable_.addUnconfirmed(kSetSection, missing);
    if (!missing.empty()) readSettingsFromDevice();
    int position = 0;
    for (int index : menus::kProfilePages) {
        position += 10;
        ui_.progressPosition(position);
        core::Page* p = page(index);
        if (p == nullptr) continue;
        const bool fresh = !read_[static_cast<std::size_t>(index)];
        // Stand-ins for failed queries on a page without unsent changes: the
        // device is asked once more.
        const bool again = !fresh && !p->unconfirmedItems().empty() && !p->hasUnsentChanges();
        if (!fresh && !again) continue;
        // The MSN page shows the device-state cache; where the device did not
        // answer at the start, it is asked again.
        if (index == menus::kMsnPage && !core::allKnown(app_.cache, app_.portCount))
            core::readMsnTable(app_);
        if (fresh)
            initialiseForProfile(index);
        else
            p->readDevice();
    }
    missing.clear();
    callbackTable_.addUnconfirmed(kBackSection, missing);
    settingsTable_.addUnconfirmed(kSetSection, missing);
    for (int index : menus::kProfilePages) {
        if (core::Page* p = page(index)) {
            std::vector<std::string> items = p->unconfirmedItems();
            missing.insert(missing.end(), items.begin(), items.end());
        }
    }
    return missing;
}

core::WriteReport MainWindowLogic::writeSections(int selector) {
    core::WriteReport report;
    callbackTable_.save(app_.profiles(), selector, kBackSection, report);
    saveSettingsSection(selector, report);
    for (int index : menus::kProfilePages) {
        if (core::Page* p = page(index)) report.merge(p->profileSave(selector));
    }
    return report;
}

core::SaveResult MainWindowLogic::profileSave(int selector, std::string_view name,
                                              core::Unconfirmed policy,
                                              core::HeldProfiles::Start start) {
    core::SaveResult result;
    core::ProfileStore& store = app_.profiles();
    // A save that fails, or writes nothing, leaves its file and the default
    // profile as they were: never half rewritten (the default profile is what
    // an upgrade loads back).
    const core::ProfileStore::Contents before = store.contents(core::kDefaultProfile);
    std::optional<core::ProfileStore::Contents> target;
    if (selector != core::kDefaultProfile) target = store.contents(selector);
    ui_.progressOpen(6262, quoted(name), kSaveProgressRange);
    ui_.progressPosition(0);
    result.unconfirmed = gatherForSave(policy);
    result.written = result.unconfirmed.empty() || (policy == core::Unconfirmed::Ask &&
                                                    ui_.askWriteUnconfirmed(result.unconfirmed));
    if (result.written) {
        // Every key is collected first and the file written once: never half
        // new, one reason when the disk is full, nothing left on Ctrl-C.
        core::HeldProfiles held(store);
        held.hold(selector, start);
        {
            const core::ProfilesInPlace inPlace(app_, held);
            result.writes.merge(writeSections(selector));
        }
        if (result.writes.ok()) {
            if (profile::WriteResult r = held.commit(selector); !r.ok)
                result.writes.add({selector, "", "", r.error});
        }
        ui_.progressText(6182);
        ui_.progressPosition(kSaveProgressRange);
        app_.clock().sleep(kProgressCloseWaitMs);
    }
    if (!result.ok()) {
        auto putBack = [&](int file, const core::ProfileStore::Contents& was) {
            if (store.contents(file) == was) return;
            if (profile::WriteResult r = store.restore(file, was); !r.ok)
                result.writes.add({file, "", "", r.error});
        };
        putBack(core::kDefaultProfile, before);
        if (target) putBack(selector, *target);
    }
    ui_.progressClose();
    if (!result.writes.ok()) ui_.reportWriteFailures(result.writes);
    return result;
}

void MainWindowLogic::loadProfileCommand() {
    std::optional<std::string> path = ui_.askProfileFile(FileDialogKind::Load);
    if (!path) return;
    ui_.refresh();
    app_.currentProfile = *path;
    if (const auto refused = core::loadRefusal(app_.profiles(), core::kCurrentProfile)) {
        ui_.messageWithTail(core::loadRefusalText(*refused), *path);
        return;
    }
    // Settings the file lacks would load as defaults over the user's own.
    const LoadTrial trial = tryLoad(app_, core::kCurrentProfile);
    core::MissingKeys missing = core::MissingKeys::Defaults;
    if (!trial.lacking.empty() && !ui_.askLoadMissingAsDefaults(trial.lacking))
        missing = core::MissingKeys::Keep;
    profileLoad(core::kCurrentProfile, fileNameOf(*path), missing);
    if (!trial.notAsGiven.empty())
        ui_.messageWithTail(kTextNotSentAsGiven, "\n" + core::listItems(trial.notAsGiven));
}

void MainWindowLogic::saveProfileCommand() {
    if (core::Page* current = page(currentIndex_); current != nullptr) {
        current->acceptField();
        if (current->mayLeave() == 0) return;
    }
    std::optional<std::string> path = ui_.askProfileFile(FileDialogKind::Save);
    if (!path) return;
    ui_.refresh();
    app_.currentProfile = *path;
    // A folder, a device or a FIFO by that name is found before the device is read.
    if (auto refused = app_.profiles().writeRefusal(core::kCurrentProfile)) {
        ui_.messageWithTail(kTextCannotSaveThere, *refused);
        return;
    }
    profileSave(core::kCurrentProfile, fileNameOf(*path));
}

// ---- language, identity, model ----

profile::WriteResult MainWindowLogic::setLanguageQuietly(int lang) {
    app_.language = lang;
    profile::WriteResult r = app_.profiles().writeString(core::kDefaultProfile, kSetSection,
                                                         "LANGUAGE", std::to_string(lang));
    ui_.relabelPageButtons();
    for (auto& p : pages_) {
        if (p) p->language(lang); // hidden pages too: they must be right when shown
    }
    return r;
}

profile::WriteResult MainWindowLogic::setLanguage(int lang) {
    profile::WriteResult r = setLanguageQuietly(lang);
    if (!r.ok) {
        core::WriteReport report;
        report.add({core::kDefaultProfile, std::string(kSetSection), "LANGUAGE", r.error});
        ui_.reportWriteFailures(report);
    }
    return r;
}

void MainWindowLogic::readIdentity() {
    app_.applyIdentity(core::readIdentity(app_.directDriver()));
}

void MainWindowLogic::forgetDevice() {
    for (int index : menus::kProfilePages) {
        core::Page* p = page(index);
        if (p == nullptr) continue;
        p->forget();
        // A forgotten page sends every item when it is loaded: nothing is read
        // on the way (a device in its boot loader had its pages never read).
        initialised_[static_cast<std::size_t>(index)] = true;
        read_[static_cast<std::size_t>(index)] = true;
    }
    settingsTable_.forgetAll();
    callbackTable_.forgetAll();
    app_.cache.forget();
}

void MainWindowLogic::deviceRestarted() {
    readIdentity();
    if (!app_.identified) return;
    if (core::portCountFor(app_.modelNumber) == core::portCountFor(app_.pageModel)) {
        // The pages fit (those of an unknown model have the five-port layout):
        // kept, with what they are about to send.
        app_.pageModel = app_.modelNumber;
        return;
    }
    modelChanged();
    forgetDevice(); // the new pages know nothing of the device either
}

void MainWindowLogic::modelChanged() {
    ui_.setBusy(true);
    readIdentity();
    if (app_.modelNumber == app_.pageModel) {
        ui_.setBusy(false);
        return;
    }
    app_.pageModel = app_.modelNumber;
    previousIndex_ = -1;
    initialised_.fill(false);
    read_.fill(false);
    core::readMsnTable(app_);
    ui_.hideMainWindow();
    // The current page first, so that it can be shown again at once.
    int current = currentIndex_;
    if (current >= 0) {
        pages_[static_cast<std::size_t>(current)] =
            factory_.createPage(current, app_.pageModel, *this);
        ui_.postCommand(menus::kCmdFirstPage + current);
    }
    for (int i = 0; i < menus::kPageCount; ++i) {
        if (i != current) {
            pages_[static_cast<std::size_t>(i)] = factory_.createPage(i, app_.pageModel, *this);
        }
    }
    ui_.showMainWindow();
    ui_.refresh();
    ui_.setBusy(false);
}

// ---- device-wide settings and callback ----

void MainWindowLogic::readSettingsFromDevice() {
    if (app_.bootLoaderFound) return; // only the upgrade talks to a boot loader
    app_.soundOn = app_.profiles().readInt(core::kDefaultProfile, kSetSection, "SOUNDON", 0) != 0;
    settingsTable_.read(app_, 0, 1); // 39
    app_.callDriver(DRV_PING2, nullptr);
    app_.callDriver(DRV_PING2, nullptr);
    settingsTable_.read(app_, 1); // 40 to 43
}

void MainWindowLogic::readCallbackFromDevice() {
    callbackTable_.read(app_);
}

// ---- dialogs, quit ----

void MainWindowLogic::pausePolling(bool pause) {
    if (menus::pagePolls(currentIndex_)) {
        if (core::Page* p = page(currentIndex_)) p->pausePoll(pause);
    }
}

void MainWindowLogic::monitorMode() {
    pausePolling(true);
    ui_.runMonitorDialog();
    pausePolling(false);
}

void MainWindowLogic::checkDevice() {
    // The check owns the line while it runs: no page polls, no heartbeat.
    pausePolling(true);
    app_.suspendHeartbeat();
    ui_.runCheckDialog();
    app_.resumeHeartbeat();
    pausePolling(false);
}

void MainWindowLogic::upgrade() {
    heartbeat_.stop();
    pausePolling(true);
    int result = ui_.runUpgradeDialog();
    if (result == 2 && !app_.identified) {
        // Only a boot loader answered and the user gave up: nothing to configure.
        ui_.closeMainWindow();
        return;
    }
    if (result == 1 && app_.identified) modelChanged();
    pausePolling(false);
    heartbeat_.start();
}

int32_t MainWindowLogic::quit() {
    ui_.setBusy(true);
    ui_.refresh();
    // The device stores its settings permanently (about 5 s); -2 when not connected.
    int32_t r = app_.SendDrvCmd(DRV_STORE, nullptr);
    ui_.setBusy(false);
    heartbeat_.stop();
    ui_.hideMainWindow();
    ui_.closeMainWindow();
    return r;
}

} // namespace quorvex::app
