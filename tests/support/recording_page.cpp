#include "support/recording_page.h"

#include "core/config_app.h"

namespace quorvex::test {

void RecordingPage::readDevice() {
    record("read");
    if (readConfirms) unconfirmed.clear();
    if (!writeOnRead.empty())
        app_.profiles().writeString(core::kDefaultProfile, "X_DIV", writeOnRead, "1");
}

void RecordingPage::profileLoad(int selector) {
    record("load " + std::to_string(selector));
    for (int i = 0; i < progressStepsOnLoad; ++i)
        host_.progress();
}

core::WriteReport RecordingPage::profileSave(int selector) {
    record("save " + std::to_string(selector));
    core::WriteReport report;
    report.write(app_.profiles(), selector, "PAGE" + std::to_string(index_) + "_DIV", "SAVED", "1");
    return report;
}

} // namespace quorvex::test
