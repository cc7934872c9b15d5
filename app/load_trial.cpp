#include "app/load_trial.h"

#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "core/held_profiles.h"
#include "profile/ini_file.h"
#include "profile/sections.h"

#include <cstring>

namespace quorvex::app {

namespace {

// Takes every setting. A query of what was set before (same command, port
// and index) is answered with the values that were set, so that a page that
// reads back after sending (the forwarding page does) finds what it sent;
// any other query gets no reply.
class StandInDevice {
public:
    int32_t call(uint16_t code, DRVPARAM* p) {
        if (p == nullptr) return 0;
        if (p->nOp != core::kOpQuery) {
            DRVPARAM kept = *p;
            kept.nCmd = code;
            if (DRVPARAM* earlier = find(code, *p))
                *earlier = kept;
            else
                set_.push_back(kept);
            return answered(p);
        }
        const DRVPARAM* earlier = find(code, *p);
        if (earlier == nullptr) return -2;
        p->bFlag = earlier->bFlag;
        p->nValue = earlier->nValue;
        std::memcpy(p->szText, earlier->szText, sizeof p->szText);
        std::memcpy(p->szText2, earlier->szText2, sizeof p->szText2);
        std::memcpy(p->szText3, earlier->szText3, sizeof p->szText3);
        p->nFrom = earlier->nFrom;
        p->nTo = earlier->nTo;
        return answered(p);
    }

private:
    static int32_t answered(DRVPARAM* p) {
        p->bReply = 1;
        p->bOk = 1;
        return 0;
    }
    DRVPARAM* find(uint16_t code, const DRVPARAM& p) {
        for (DRVPARAM& s : set_) {
            if (s.nCmd == code && s.nPort == p.nPort && s.nIndex == p.nIndex) return &s;
        }
        return nullptr;
    }
    std::vector<DRVPARAM> set_;
};

// Never waits: the forwarding page's pause after each field is the device's
// time, not the trial's.
class NoWait final : public core::Clock {
public:
    std::int64_t now() override { return now_; }
    void sleep(std::int64_t ms) override { now_ += ms > 0 ? ms : 0; }

private:
    std::int64_t now_ = 0;
};

// The state the pages read: the model, the names, the device-state cache.
void copyState(const core::CConfigApp& from, core::CConfigApp& to) {
    to.connected = true;
    to.identified = from.identified;
    to.deviceName = from.deviceName;
    to.firmwareText = from.firmwareText;
    to.bootCodeText = from.bootCodeText;
    to.modelNumber = from.modelNumber;
    to.portIndex = from.portIndex;
    to.usbVariant = from.usbVariant;
    to.portCount = from.portCount;
    to.pageModel = from.pageModel;
    to.language = from.language;
    to.largeFonts = from.largeFonts;
    to.programDir = from.programDir;
    to.defaultProfile = from.defaultProfile;
    to.currentProfile = from.currentProfile;
    to.cache = from.cache;
}

// Whether what the pages hold for key is the file's value as a load reads it.
bool sentAsGiven(const profile::KeySpec& key, const std::string& given, core::ProfileStore& held,
                 int selector, std::string_view section) {
    if (key.form == profile::ValueForm::Text)
        return held.readString(selector, section, key.name, "") == given;
    const std::optional<int> number = profile::leadingDecimal(given);
    // No number: the load sent the key's default in its place.
    return number && *number == held.readInt(selector, section, key.name, *number + 1);
}

} // namespace

LoadTrial tryLoad(core::CConfigApp& app, int selector) {
    core::ProfileStore& files = app.profiles();
    // Nothing the trial writes reaches a file.
    core::HeldProfiles trialFiles(files);
    for (int s : {core::kDefaultProfile, core::kCurrentProfile, core::kWinIni})
        trialFiles.hold(s, core::HeldProfiles::Start::AsFile);
    StandInDevice device;
    NoWait clock;
    core::CConfigApp trial([&device](uint16_t code, DRVPARAM* p) { return device.call(code, p); },
                           trialFiles, clock);
    copyState(app, trial);
    // Shows nothing and asks nothing: the real load says what it has to say.
    HeadlessShellUi ui;
    LogicPageFactory pages(trial, ui);
    MainWindowLogic main(trial, ui, pages);
    main.buildPages();
    main.profileLoad(selector, "");

    // What the pages now hold, saved as a save writes it.
    core::HeldProfiles held(trialFiles);
    held.hold(selector, core::HeldProfiles::Start::Empty);
    {
        const core::ProfilesInPlace inPlace(trial, held);
        main.writeSections(selector);
    }

    LoadTrial out;
    for (profile::Section s : profile::kSectionOrder) {
        const std::string_view section = profile::sectionName(s);
        std::vector<std::string> lacking;
        bool any = false;
        for (const profile::KeySpec& key : profile::keysOf(s, app.portCount)) {
            if (!held.holdsKey(selector, section, key.name)) continue; // a save does not write it
            if (!files.holdsKey(selector, section, key.name)) {
                lacking.push_back(core::itemName(section, key.name));
                continue;
            }
            any = true;
            if (profile::programOnlyKey(key.name)) continue;
            const std::string given = files.readString(selector, section, key.name, "");
            if (!sentAsGiven(key, given, held, selector, section))
                out.notAsGiven.push_back(core::itemName(section, key.name) + "=" + given);
        }
        if (!any && !lacking.empty())
            out.lacking.emplace_back(section);
        else
            out.lacking.insert(out.lacking.end(), lacking.begin(), lacking.end());
    }
    return out;
}

} // namespace quorvex::app
