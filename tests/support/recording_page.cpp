#include "support/recording_page.h"

#include "app/config_app.h"

namespace quorvex::test {

void RecordingPage::readDevice() {
    record("read");
    if (readConfirms) unconfirmed.clear();
    if (!writeOnRead.empty())
        app_.profiles().writeString(app::kDefaultProfile, "X_DIV", writeOnRead, "1");
}

void RecordingPage::profileLoad(int selector) {
    record("load " + std::to_string(selector));
    for (int i = 0; i < progressStepsOnLoad; ++i)
        host_.progress();
}

app::WriteReport RecordingPage::profileSave(int selector) {
    record("save " + std::to_string(selector));
    app::WriteReport report;
    report.write(app_.profiles(), selector, "PAGE" + std::to_string(index_) + "_DIV", "SAVED", "1");
    return report;
}

} // namespace quorvex::test
