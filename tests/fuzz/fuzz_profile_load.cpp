// A profile of any content loaded into every page that has a profile section,
// the pages talking through the real command builder and reply parser to the
// simulated device's interpreter (no serial line, no waits). Then the pages
// read the device back and save a profile, and that profile, loaded again,
// must leave the device as it is: a profile the program writes holds the
// device's settings, whatever the profile it loaded held.
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "core/clock.h"
#include "core/config_app.h"
#include "core/device_cache.h"
#include "driver/protocol/catalogue.h"
#include "profile/ini_document.h"
#include "profile/ini_file.h"
#include "profile/sections.h"
#include "sim/interpreter.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quorvex;

namespace {

class QuietUi final : public core::PageUi {
public:
    void message(int) override {}
    bool askYesNo(int) override { return true; }
    core::DiscardAnswer askSendDiscardCancel() override { return core::DiscardAnswer::Discard; }
    void beep() override {}
    void setBusy(bool) override {}
    void focus(int) override {}
    void refresh() override {}
    void messageWithTail(int, const std::string&) override {}
};

class QuietHost final : public core::PageHost {
public:
    void progress() override {}
    void msnChanged() override {}
    void postCommand(int) override {}
};

// Time passes only when the program waits (the forwarding page's pauses).
class InstantClock final : public core::Clock {
public:
    std::int64_t now() override { return now_; }
    void sleep(std::int64_t ms) override { now_ += ms; }

private:
    std::int64_t now_ = 0;
};

// Commands with a handler of their own in the driver (line control, identity,
// firmware, dialling): not part of a profile, answered as by no device.
bool lineControl(uint16_t code) {
    switch (code) {
    case DRV_FINDPORT:
    case DRV_PING:
    case DRV_PING2:
    case DRV_NOP:
    case DRV_CLOSE:
    case DRV_STORE:
    case DRV_DIALWAIT:
    case DRV_DIAL:
    case DRV_IDENT:
    case DRV_CALLCHECK:
    case DRV_DOWNLOAD:
    case DRV_WRITERAW:
    case DRV_DOWNLOADRESULT:
    case DRV_NOP1:
    case DRV_BOOTPROBE:
    case DRV_SETSPEED:
    case DRV_BOOTPROBE2:
    case DRV_REOPEN:
        return true;
    default:
        return false;
    }
}

// The profiles in memory, read by the program's own parser. Writes refuse
// what a file write refuses and otherwise build the file as writing key after
// key into a new file does (sections in the order first written, keys in the
// order written, a key written twice keeps its place), without parsing the
// whole text again for every key.
class MemoryStore final : public core::ProfileStore {
public:
    int current = core::kCurrentProfile; // where selector 1 leads: file 1 or file 2

    // A file as read from disk (it is never written to).
    void put(int file, std::string text) { files_[file] = {std::move(text), {}, true, {}}; }
    const std::string& text(int file) { return files_[file].materialised(); }

    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view def) override {
        return files_[fileOf(selector)].snapshot().readString(section, key, def);
    }
    int readInt(int selector, std::string_view section, std::string_view key, int def) override {
        return files_[fileOf(selector)].snapshot().readInt(section, key, def);
    }
    profile::WriteResult writeString(int selector, std::string_view section, std::string_view key,
                                     std::string_view value) override {
        if (auto refused = profile::checkWrite(section, key, value)) return {false, *refused};
        File& file = files_[fileOf(selector)];
        // A load never writes into the profile it reads.
        FUZZ_CHECK(!file.fromDisk || file.text.empty());
        file.fromDisk = false;
        file.set(profile::trimBlanks(section), profile::trimBlanks(key), value);
        return {true, {}};
    }

    Contents contents(int selector) override {
        return Contents{true, true, files_[fileOf(selector)].materialised()};
    }
    profile::WriteResult restore(int selector, const Contents& before) override {
        files_[fileOf(selector)] = {before.bytes, {}, true, {}};
        return {true, {}};
    }

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    struct File {
        std::string text;
        std::vector<Section> written;
        bool fromDisk = true;
        std::optional<profile::IniSnapshot> parsed;

        void set(std::string_view section, std::string_view key, std::string_view value) {
            parsed.reset();
            auto s = std::find_if(written.begin(), written.end(), [&](const Section& x) {
                return profile::equalsIgnoringCase(x.name, section);
            });
            if (s == written.end()) s = written.insert(written.end(), {std::string(section), {}});
            for (auto& [k, v] : s->keys) {
                if (profile::equalsIgnoringCase(k, key)) {
                    v = value;
                    return;
                }
            }
            s->keys.emplace_back(key, value);
        }
        const std::string& materialised() {
            if (fromDisk) return text;
            text.clear();
            for (const Section& s : written) {
                text += "[" + s.name + "]\r\n";
                for (const auto& [k, v] : s.keys)
                    text += k + "=" + v + "\r\n";
            }
            return text;
        }
        const profile::IniSnapshot& snapshot() {
            if (!parsed) parsed = profile::IniSnapshot::fromText(materialised());
            return *parsed;
        }
    };
    int fileOf(int selector) const {
        return selector == core::kCurrentProfile ? current : core::kDefaultProfile;
    }
    File files_[3];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const bool r30 = (in.byte() & 1) != 0;
    const std::string_view text = in.rest();

    MemoryStore store;
    store.put(1, std::string(text));
    sim::DeviceState device = sim::freshState(r30 ? sim::Model::R30 : sim::Model::R70);
    sim::Interpreter interpreter(device, [] { return std::int64_t{1000000000}; });
    auto driver = [&](uint16_t code, DRVPARAM* p) -> int32_t {
        if (p == nullptr || lineControl(code)) return -2;
        p->nCmd = code;
        r70::CommandText command;
        if (r70::buildCommand(*p, command) != r70::BuildStatus::Built) {
            p->bReply = 0;
            return -2;
        }
        FUZZ_CHECK(command.length >= 2 && command.length <= sizeof command.text);
        FUZZ_CHECK(command.text[command.length - 1] == '\r');
        const std::string reply =
            interpreter.handle(std::string_view(command.text, command.length - 1)).text();
        r70::parseReply(reply, 0, *p);
        return 0;
    };

    InstantClock clock;
    core::CConfigApp app(driver, store, clock);
    app.connected = true;
    app.identified = true;
    app.modelNumber = r30 ? 30 : 70;
    app.pageModel = app.modelNumber;
    app.portCount = r30 ? 3 : 5;
    // What the program reads at start-up and the MSN page shows from.
    core::readMsnTable(app);
    core::readPortNames(app);
    QuietUi ui;
    QuietHost host;

    std::vector<std::unique_ptr<core::Page>> pages;
    for (int index : menus::kProfilePages) {
        pages.push_back(app::makeLogicPage(index, app.pageModel, app, ui, host));
        FUZZ_CHECK(pages.back() != nullptr);
    }
    for (auto& page : pages) {
        page->readDevice();
        page->profileLoad(core::kCurrentProfile);
    }

    // Read back and saved: every key of every section, nothing else; of the
    // EID numbers only that of the device's class (it holds no other).
    store.current = 2; // the saved profile
    const std::string eidClass = device.registers["%P3"];
    const std::string eidKey = "EIDNUM" + eidClass;
    for (auto& page : pages) {
        page->readDevice();
        FUZZ_CHECK(page->profileSave(core::kCurrentProfile).ok());
    }
    const profile::IniSnapshot written = profile::IniSnapshot::fromText(store.text(2));
    for (const std::string& section : written.sectionNames()) {
        const std::optional<profile::Section> known = profile::sectionFromName(section);
        FUZZ_CHECK(known.has_value());
        std::vector<std::string> expected;
        for (const profile::KeySpec& key : profile::keysOf(*known, app.portCount)) {
            if (key.name.starts_with("EIDNUM") && key.name != eidKey) continue;
            expected.push_back(key.name);
        }
        FUZZ_CHECK(written.keyNames(section) == expected);
    }
    if (const char* keep = std::getenv("QUORVEX_FUZZ_KEEP_SAVED"))
        std::ofstream(keep, std::ios::binary) << store.text(2);

    // The saved profile loaded again changes nothing in the device.
    const sim::DeviceState before = device;
    for (auto& page : pages) {
        page->readDevice();
        page->profileLoad(core::kCurrentProfile);
    }
    if (!(device == before)) {
        const std::string a = sim::serializeState(before);
        const std::string b = sim::serializeState(device);
        std::size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            ++at;
        const std::size_t from = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
        std::fprintf(stderr, "device before: %.80s\ndevice after:  %.80s\n", a.c_str() + from,
                     b.c_str() + from);
    }
    FUZZ_CHECK(device == before);
    return 0;
}
