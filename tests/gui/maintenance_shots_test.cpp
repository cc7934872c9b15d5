// Renders the maintenance widgets for an R30 and an R70 in English and German.
// With QUORVEX_SCREENSHOT_DIR set the pictures are written there as PNG files.
#include "app/monitor_dlg.h"
#include "gui/maintwidgets_support.h"
#include "maintenance/isdn_info_dlg.h"
#include "maintenance/log_page_widget.h"
#include "maintenance/upgrade_dlg.h"
#include "support/scripted_ui.h"

#include <QDir>
#include <QPixmap>

namespace {

using namespace maintwidgets;
using namespace quorvex::widgets;

void keep(QWidget& widget, const QString& name) {
    const QPixmap shot = widget.grab();
    EXPECT_FALSE(shot.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("QUORVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(QDir(folder).filePath(name + QStringLiteral(".png"))))
        << name.toStdString();
}

class NoHost final : public maintenance::UpgradeHost {
public:
    core::SaveResult saveDefaultProfile() override { return {}; }
    void loadDefaultProfile() override {}
    void forgetDevice() override {}
    void identity() override {}
    void postCommand(int) override {}
};

struct Shots : SimApp, ::testing::WithParamInterface<sim::Model> {};

TEST_P(Shots, EveryWidgetRendersInBothLanguages) {
    start(GetParam());
    const QString model =
        GetParam() == sim::Model::R30 ? QStringLiteral("r30") : QStringLiteral("r70");
    for (int language : {0, 1}) {
        app.language = language;
        const QString tag = model + (language == 1 ? QStringLiteral("_de") : QStringLiteral("_en"));
        test::RecordingHost host;
        LogPageWidget page(app, host);
        page.logPage().shown();
        keep(page, QStringLiteral("log_") + tag);
        CMonitorDlg monitor(app);
        keep(monitor, QStringLiteral("monitor_") + tag);
        CIsdnInfoDlg info(app);
        keep(info, QStringLiteral("isdn_info_") + tag);
        NoHost noHost;
        CUpgradeDlg upgrade(app, noHost);
        upgrade.showProgressPanel(true);
        upgrade.progressCaption(6188);
        upgrade.progressRange(1024);
        upgrade.progressPosition(400);
        keep(upgrade, QStringLiteral("upgrade_") + tag);
        maintenance::FirmwareComparison c{app.deviceName, app.firmwareText, app.bootCodeText,
                                          "OrvaISDN R70", "V9.01 NEW",      "V1.20"};
        CFirmwareInfoDlg firmware(c, language);
        firmware.adjustSize();
        keep(firmware, QStringLiteral("firmware_info_") + tag);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, Shots, ::testing::Values(sim::Model::R30, sim::Model::R70));

} // namespace
