#include "app/settings_logic.h"

#include "profile/setting_table.h"
#include "resources/text_table.h"

#include <cstdio>

namespace quorvex::app {
namespace {

constexpr std::string_view kSetSection = profile::sectionName(profile::Section::Set);
constexpr std::size_t kNoField = SIZE_MAX;

} // namespace

SettingsDialog::SettingsDialog(core::CConfigApp& app, MainWindowLogic& main, SettingsUi& ui,
                               std::string portPath)
    : app_(app), main_(main), ui_(ui), portPath_(std::move(portPath)) {}

core::Item<std::string>& SettingsDialog::mainValue(std::size_t field) {
    core::DeviceSettings& s = main_.settings();
    switch (field) {
    case 0:
        return s.chargeUnit;
    case 1:
        return s.areaCode;
    case 2:
        return s.pabxPrefix;
    default:
        return s.intlPrefix;
    }
}

std::size_t SettingsDialog::fieldIndex(int controlId) const {
    for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
        if (kSettingsFields[i].controlId == controlId) return i;
    }
    return kNoField;
}

void SettingsDialog::open() {
    ui_.setBusy(true);
    shownLanguage_ = app_.language;
    languageChanged_ = false;
    sound_ = app_.soundOn;
    lcdGerman_ = main_.settings().lcdGerman;
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = mainValue(i);
    changed_.fill(false);
    fillPortChoices();
    ui_.relabel(shownLanguage_);
    ui_.refresh();
    ui_.setBusy(false);
}

// ---- the controls ----

std::string SettingsDialog::text(int controlId) const {
    if (controlId == kPortLabel) return portText();
    std::size_t i = fieldIndex(controlId);
    return i == kNoField ? std::string() : texts_[i].edited;
}

bool SettingsDialog::checked(int controlId) const {
    if (controlId == kSoundCheck) return sound_;
    if (controlId == kLcdGermanCheck) return lcdGerman_.edited != 0;
    return false;
}

bool SettingsDialog::setChecked(int controlId, bool on) {
    if (controlId == kSoundCheck) {
        sound_ = on;
        return true;
    }
    if (controlId == kLcdGermanCheck) {
        lcdGerman_.edited = on ? 1 : 0;
        return true;
    }
    return false;
}

bool SettingsDialog::userEdited(int controlId, std::string_view text) {
    std::size_t i = fieldIndex(controlId);
    if (i == kNoField) return false;
    changed_[i] = true; // stays set, even when the old text is typed back
    if (fieldAccepts(kSettingsFields[i], text)) {
        texts_[i].edited = std::string(text);
        return true;
    }
    ui_.message(kSettingsFields[i].rejectMessage);
    texts_[i].edited = texts_[i].confirmed;
    ui_.refresh();
    return false;
}

bool SettingsDialog::changed(int controlId) const {
    std::size_t i = fieldIndex(controlId);
    return i != kNoField && changed_[i];
}

int SettingsDialog::nextControl(int controlId) {
    for (std::size_t i = 0; i + 1 < kSettingsFields.size(); ++i) {
        if (kSettingsFields[i].controlId == controlId) return kSettingsFields[i + 1].controlId;
    }
    return controlId == kSettingsFields.back().controlId ? kSettingsOk
                                                         : kSettingsFields.front().controlId;
}

void SettingsDialog::chooseLanguage(int language) {
    if (language != 0 && language != 1) return;
    if (language == shownLanguage_) return;
    shownLanguage_ = language;
    languageChanged_ = true;
    ui_.relabel(shownLanguage_);
}

std::string SettingsDialog::portText() const {
    if (app_.portIndex < 0) return std::string();
    char text[24];
    std::snprintf(text, sizeof text, "  COM%d", app_.portIndex + 1);
    std::string out = text;
    if (!portPath_.empty()) out += " (" + portPath_ + ")";
    return out;
}

void SettingsDialog::fillPortChoices() {
    portChoices_.clear();
    portChoice_ = openedPortChoice_ = 0;
    if (app_.ports == nullptr) return;
    portChoices_.push_back({});
    const std::string stored = app_.ports->choice();
    for (const core::PortListing& l : app_.ports->listPorts()) {
        // The console and a login's line are never the adapter's.
        if (l.omitted == core::Omission::Console || l.omitted == core::Omission::Login) continue;
        std::string label;
        if (l.comIndex >= 0) label = "COM" + std::to_string(l.comIndex + 1) + "  ";
        label += l.port.stable();
        if (std::string what = r70::describe(l.port); !what.empty()) label += "  (" + what + ")";
        if (l.chosen) portChoice_ = portChoices_.size();
        portChoices_.push_back({l.port.stable(), std::move(label)});
    }
    if (!stored.empty() && portChoice_ == 0) {
        portChoice_ = portChoices_.size();
        portChoices_.push_back({stored, stored}); // not present now; kept until changed
    }
    openedPortChoice_ = portChoice_;
}

std::string SettingsDialog::portChoiceLabel(std::size_t index) const {
    if (index >= portChoices_.size()) return {};
    if (index == 0) return std::string(text::get(core::kTextSearchAll, shownLanguage_));
    return portChoices_[index].label;
}

void SettingsDialog::choosePort(std::size_t index) {
    if (index < portChoices_.size()) portChoice_ = index;
}

// ---- OK and Cancel ----

SettingsApplied SettingsDialog::ok() {
    SettingsApplied result;
    if (sound_) ui_.beep();

    // Choosing a flag and then the old one again leaves nothing to switch.
    if (languageChanged_ && shownLanguage_ != app_.language) main_.setLanguage(shownLanguage_);
    languageChanged_ = false;

    app_.soundOn = sound_;
    result.writes.write(app_.profiles(), core::kDefaultProfile, kSetSection, "SOUNDON",
                        sound_ ? "1" : "0");
    if (app_.ports != nullptr && portChoice_ != openedPortChoice_) {
        const profile::WriteResult stored = app_.ports->choose(portChoices_[portChoice_].path);
        if (!stored)
            result.writes.add({core::kWinIni, std::string(core::kPortChoiceSection),
                               std::string(core::kPortChoiceKey), stored.error});
        openedPortChoice_ = portChoice_;
    }
    if (!result.writes.ok()) ui_.reportWriteFailures(result.writes);

    if (lcdGerman_.changed()) {
        DRVPARAM record = core::makeRecord(0, 0, core::kOpSet);
        record.bFlag = lcdGerman_.edited != 0 ? 1 : 0;
        if (core::sendOutcome(app_.SendDrvCmd(DRV_LCDGERMAN, &record), record) ==
            core::SendOutcome::Done) {
            lcdGerman_.confirm();
            main_.settings().lcdGerman.reset(lcdGerman_.edited, true);
        } else {
            result.failed.push_back(DRV_LCDGERMAN);
        }
    }

    for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
        if (!changed_[i]) continue;
        const SettingsField& field = kSettingsFields[i];
        DRVPARAM record = core::makeRecord(0, 0, core::kOpSet);
        core::SendOutcome outcome = core::SendOutcome::Failed;
        // A text longer than the record holds is never sent cut short.
        if (core::setFieldText(record.szText, texts_[i].edited))
            outcome = core::sendOutcome(app_.SendDrvCmd(field.code, &record), record);
        if (outcome == core::SendOutcome::Done) {
            texts_[i].confirm();
            mainValue(i).reset(texts_[i].edited, true);
        } else {
            result.failed.push_back(field.code);
        }
    }
    return result;
}

void SettingsDialog::cancel(bool closeBox) {
    if (!closeBox && app_.soundOn) ui_.beep();
    // A language chosen on the picker is dropped with everything else.
    shownLanguage_ = app_.language;
    languageChanged_ = false;
}

} // namespace quorvex::app
