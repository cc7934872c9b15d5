#pragma once
// The firmware upgrade's user interface, scripted. The file dialog takes its
// answers from files and the confirmation its answers from confirms, in order;
// every call is recorded (dialogs, comparisons, messages, positions) and
// written as a line ("file dialog", "confirm", "message 9064", "beep", ...) to
// the log given, which the test may share with its host and driver.
//
// Scripted (the default), a dialog with no answer left fails the test. Willing
// (an upgrade meant to go through): every confirmation is yes, the file dialog
// is cancelled once files runs out, and settings the device did not confirm
// fail the test.

#include "maintenance/upgrade.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::test {

class ScriptedUpgradeUi : public maintenance::UpgradeUi {
public:
    explicit ScriptedUpgradeUi(std::vector<std::string>* log = nullptr)
        : log_(log != nullptr ? log : &lines) {}

    bool willing = false;
    std::deque<std::optional<std::string>> files;
    std::deque<bool> confirms;

    std::vector<std::string> lines; // the log when none is given
    std::vector<maintenance::FileDialogSpec> dialogs;
    std::vector<maintenance::FirmwareComparison> comparisons;
    std::vector<int> messages;
    std::vector<int> positions;

    std::optional<std::string> askFirmwareFile(const maintenance::FileDialogSpec& spec) override {
        dialogs.push_back(spec);
        log_->push_back("file dialog");
        if (files.empty()) {
            if (!willing) ADD_FAILURE() << "unexpected file dialog";
            return std::nullopt;
        }
        std::optional<std::string> f = files.front();
        files.pop_front();
        return f;
    }
    bool confirmFirmware(const maintenance::FirmwareComparison& c) override {
        comparisons.push_back(c);
        log_->push_back("confirm");
        if (confirms.empty()) {
            if (!willing) ADD_FAILURE() << "unexpected confirmation";
            return willing;
        }
        bool yes = confirms.front();
        confirms.pop_front();
        return yes;
    }
    void message(int id) override {
        messages.push_back(id);
        log_->push_back("message " + std::to_string(id));
    }
    void unconfirmedSettings(const std::vector<std::string>& items) override {
        if (willing)
            ADD_FAILURE() << items.size() << " settings not confirmed, the first " << items.front();
        log_->push_back("unconfirmed " + std::to_string(items.size()));
    }
    void beep() override { log_->push_back("beep"); }
    void showProgressPanel(bool on) override { log_->push_back(on ? "panel on" : "panel off"); }
    void progressCaption(int id) override { log_->push_back("caption " + std::to_string(id)); }
    void progressRange(int m) override { log_->push_back("range " + std::to_string(m)); }
    void progressPosition(int p) override { positions.push_back(p); }

private:
    std::vector<std::string>* log_;
};

} // namespace quorvex::test
