#pragma once
// RecordingPage: a small page for testing the main window and the page
// framework. Every operation appends "p<index>:<operation>" to a shared log;
// `dirty` stands for unsent changes (send and discard clear it). Its profile
// section "PAGE<index>_DIV" holds one key, "SAVED".

#include "app/main_window_logic.h"
#include "core/page.h"

#include <memory>

#include <string>
#include <vector>

namespace quorvex::test {

class RecordingPage : public core::PageBase {
public:
    RecordingPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int index,
                  int model, std::vector<std::string>& log)
        : PageBase(app, ui, host), index_(index), model_(model), log_(log) {}

    int index() const { return index_; }
    int model() const { return model_; }
    bool dirty = false;
    int progressStepsOnLoad = 0; // UM_PROGRESS steps sent during a profile load
    // Items whose query failed; a read clears them when readConfirms is set.
    std::vector<std::string> unconfirmed;
    bool readConfirms = false;
    // A key a read writes into the default profile (as the LCR page corrects
    // provider names), empty for none.
    std::string writeOnRead;

    void readDevice() override;
    std::vector<std::string> unconfirmedItems() const override { return unconfirmed; }
    void shown() override { record("shown"); }
    void hidden() override { record("hidden"); }
    void language(int lang) override { record("language " + std::to_string(lang)); }
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    void pausePoll(bool pause) override { record(pause ? "pause 1" : "pause 0"); }
    bool hasUnsentChanges() const override { return dirty; }
    void send() override {
        record("send");
        dirty = false;
    }
    void discard() override {
        record("discard");
        dirty = false;
    }
    void acceptField() override { record("accept"); }

private:
    void record(const std::string& what) {
        log_.push_back("p" + std::to_string(index_) + ":" + what);
    }
    int index_;
    int model_;
    std::vector<std::string>& log_;
};

// Builds RecordingPages; remembers the models it built for.
class RecordingPageFactory : public app::PageFactory {
public:
    RecordingPageFactory(core::CConfigApp& app, core::PageUi& ui) : app_(app), ui_(ui) {}
    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& host) override {
        built.push_back({index, model});
        log.push_back("p" + std::to_string(index) + ":created " + std::to_string(model));
        return std::make_unique<RecordingPage>(app_, ui_, host, index, model, log);
    }
    RecordingPage* page(app::MainWindowLogic& main, int index) {
        return dynamic_cast<RecordingPage*>(main.page(index));
    }

    std::vector<std::string> log;
    std::vector<std::pair<int, int>> built;

private:
    core::CConfigApp& app_;
    core::PageUi& ui_;
};

} // namespace quorvex::test
