#include "cli/device_session.h"

#include "app/startup.h"
#include "cli/cli_texts.h"
#include "cli/options.h"
#include "core/detection.h"
#include "driver/api/r70com32.h"
#include "profile/native_text.h"

#include <cstdio>
#include <cstring>

namespace quorvex::cli {

DeviceSession::DeviceSession(int language, core::DriverFn driver)
    : driver_(driver ? std::move(driver) : core::DriverFn(D_SendDrvCmd)),
      files_(profile::ProfileFiles::fromEnvironment()),
      store_(core::profilePaths(files_, [this] { return app_.currentProfile; })),
      app_([this](uint16_t code, DRVPARAM* p) { return drive(code, p); }, store_, clock_),
      ui_(language), factory_(app_, ui_), main_(app_, ui_, factory_) {
    app_.programDir = profile::utf8Of(files_.home());
    app_.defaultProfile = profile::utf8Of(files_.defaultProfile());
}

DeviceSession::~DeviceSession() {
    if (app_.connected) app_.callDriver(DRV_CLOSE, nullptr);
}

namespace {

bool changing(const DRVPARAM* p) {
    return p != nullptr && (p->nOp == 1 || p->nOp == 2 || p->nOp == 4);
}

// Same command with the same values (what the driver writes back left out).
bool sameRequest(uint16_t code, const DRVPARAM& a, const DRVPARAM& b) {
    return static_cast<int32_t>(code) == b.nCmd && a.nPort == b.nPort && a.nIndex == b.nIndex &&
           a.nOp == b.nOp && a.bFlag == b.bFlag && a.nValue == b.nValue &&
           std::memcmp(a.szText, b.szText, sizeof a.szText) == 0 &&
           std::memcmp(a.szText2, b.szText2, sizeof a.szText2) == 0 &&
           std::memcmp(a.szText3, b.szText3, sizeof a.szText3) == 0 && a.nFrom == b.nFrom &&
           a.nTo == b.nTo;
}

int32_t answerDone(DRVPARAM* p) {
    p->bReply = 1;
    p->bOk = 1;
    return 0;
}

} // namespace

int32_t DeviceSession::drive(uint16_t code, DRVPARAM* p) {
    if (changing(p) && gate_ == Gate::Hold) {
        DRVPARAM copy = *p;
        copy.nCmd = code;
        held_.push_back(copy);
        return answerDone(p);
    }
    if (changing(p) && gate_ == Gate::Filter) {
        for (const DRVPARAM& h : held_) {
            if (sameRequest(code, *p, h)) return answerDone(p);
        }
    }
    int32_t result = driver_(code, p);
    if (recording_ && p != nullptr && (p->nOp == 1 || p->nOp == 2 || p->nOp == 4)) {
        recorded_.push_back(Exchange{code, p->nOp, result, p->bOk, core::fieldText(p->szCmd)});
    }
    return result;
}

bool DeviceSession::open() {
    // The default profile takes the language, sound, names and providers as
    // the desktop program writes them; its folder must exist for that.
    files_.ensureHome();
    if (!core::detectDevice(app_)) {
        printNoDevice(ui_.language());
        return false;
    }
    // What the desktop program reads at start, then its pages for the model.
    core::readMsnTable(app_);
    core::readPortNames(app_);
    app_.language = app::readLanguageSetting(app_);
    main_.readSettingsFromDevice();
    main_.buildPages();
    return true;
}

bool DeviceSession::openForUpgrade() {
    files_.ensureHome();
    if (core::detectDevice(app_)) {
        core::readMsnTable(app_);
        core::readPortNames(app_);
        app_.language = app::readLanguageSetting(app_);
        main_.readSettingsFromDevice();
        main_.buildPages();
        return true;
    }
    core::BootProbeResult probe = core::probeBootLoaders(app_.directDriver(), &cliPorts());
    if (!probe.bootLoaderFound) {
        printNoDevice(ui_.language());
        return false;
    }
    app_.bootLoaderFound = true;
    app_.portIndex = probe.portIndex;
    app_.connected = true;
    main_.buildPages();
    return true;
}

void DeviceSession::setProfileFile(const std::filesystem::path& file) {
    app_.currentProfile = profile::utf8Of(file);
}

void DeviceSession::startRecording() {
    recorded_.clear();
    recording_ = true;
}

std::vector<Exchange> DeviceSession::takeRecording() {
    recording_ = false;
    return std::move(recorded_);
}

std::optional<core::ReportOutcome> Refusals::take(const std::string& command) {
    auto hit = answered.find(command);
    if (hit == answered.end()) return std::nullopt;
    const core::ReportOutcome outcome = hit->second;
    answered.erase(hit);
    return outcome;
}

Refusals reportedRefusals(const app::MainWindowLogic& main) {
    Refusals out;
    auto collect = [&out](const core::SendReport& report) {
        for (const core::ReportEntry& e : report.entries()) {
            // An item never sent is the load trial's (app/load_trial.h) to name.
            if (core::refused(e.outcome) && e.sent) out.answered.emplace(e.command, e.outcome);
        }
    };
    collect(main.sectionReport());
    for (int index : menus::kProfilePages) {
        if (auto* page = dynamic_cast<const core::PageBase*>(main.page(index)))
            collect(page->report());
    }
    return out;
}

void printNoDevice(int language) {
    std::fprintf(stderr, "quorvex-cli: %s\n",
                 std::string(cliText(CliText::NoDevice, language)).c_str());
    printTriedPorts(language);
}

} // namespace quorvex::cli
