// The firmware upgrade dialog against the simulated device through the real
// driver, with the program's clock faked (the fixed waits pass at once) and
// the line unpaced: a good image upgrades the device, which comes up with its
// factory settings, and every setting comes back; a file that is no upgrade
// is refused before a byte is sent.
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/maintenance_dlg.h"
#include "app/upgrade_host.h"
#include "gui/maintwidgets_support.h"
#include "maintenance/upgrade_dlg.h"
#include "sim/firmware_image.h"
#include "support/scripted_ui.h"
#include "support/sim_settings.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

#include <cstring>

namespace {

using namespace maintwidgets;
using namespace quorvex::widgets;

class UpgradeWidget : public SimApp {
protected:
    void startWith(sim::Model model) {
        start(model);
        main.buildPages();
        // The loader needs a moment of real time to come up after command 33;
        // the program's waits run on the fake clock, so the first block waits here.
        beforeCall = [this](uint16_t code) {
            if (code == DRV_WRITERAW && codes.size() > 1 &&
                codes[codes.size() - 2] != DRV_WRITERAW) {
                ASSERT_TRUE(waitServing([this] { return dev->snapshot().bootMode; }));
            }
        };
    }
    std::string imageFile(const std::vector<uint8_t>& image, const std::string& name) {
        const std::string path = (simDir() / name).string();
        std::string why;
        EXPECT_TRUE(sim::writeImageFile(path, image, &why)) << why;
        return path;
    }
    // The file dialog's answers, in order (nullopt: Cancel); each spec asked is kept.
    void answerFiles(CUpgradeDlg& dlg, std::vector<std::optional<std::string>> answers) {
        files_ = {answers.begin(), answers.end()};
        dlg.setFileChooser([this](const maintenance::FileDialogSpec& spec) {
            specs.push_back(spec);
            EXPECT_FALSE(files_.empty()) << "a file dialog nobody expected";
            if (files_.empty()) return std::optional<std::string>{};
            auto next = files_.front();
            files_.pop_front();
            return next;
        });
    }
    static ModalScript::Action pressInfo(int button, QStringList* lines = nullptr) {
        return [button, lines](QWidget* w) {
            ASSERT_EQ(w->objectName(), "CFirmwareInfoDlg");
            EXPECT_EQ(w->windowTitle(), "Firmware Info");
            if (lines != nullptr) {
                for (auto* l : w->findChildren<QLabel*>())
                    *lines << l->text();
            }
            w->findChild<QAbstractButton*>(QString::number(button))->click();
        };
    }
    static ModalScript::Action okMessage(QString* text) {
        return [text](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << w->metaObject()->className();
            *text = box->text();
            box->accept();
        };
    }

    std::vector<maintenance::FileDialogSpec> specs;
    std::deque<std::optional<std::string>> files_;
    test::ScriptedUi ui;
    app::LogicPageFactory factory{app, ui};
    app::MainWindowLogic main{app, ui, factory};
    quorvex::app::MainWindowUpgradeHost host{main};
};

TEST_F(UpgradeWidget, AGoodImageUpgradesTheDeviceAndTheSettingsComeBack) {
    startWith(sim::Model::R70);
    for (const auto& [key, value] : test::everySetting(sim::Model::R70))
        ASSERT_NE(dev->query(test::settingCommand(key, value)).find("OK"), std::string::npos);
    core::readMsnTable(app);
    const std::string path =
        imageFile(sim::makeImage(sim::Model::R70, "V9.01 NEW", "V1.20"), "new.r70");

    CUpgradeDlg dlg(app, host);
    EXPECT_EQ(dlg.windowTitle(), "Installing an upgrade");
    EXPECT_TRUE(
        dlg.findChild<QLabel*>("1496")->text().startsWith("Upgrade Version: OrvaISDN R70:  "));
    EXPECT_FALSE(dlg.progressPanel()->isVisibleTo(&dlg));
    dlg.setModal(false);
    dlg.show();
    QStringList infoLines;
    QString success;
    answerFiles(dlg, {path});
    ModalScript script({pressInfo(1053, &infoLines), okMessage(&success)});
    dlg.findChild<QAbstractButton*>("5014")->click();

    EXPECT_TRUE(script.done());
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_TRUE(infoLines.contains("Model : OrvaISDN R70")) << infoLines.join("|").toStdString();
    EXPECT_TRUE(infoLines.contains("Firmware: V9.01 NEW"));
    EXPECT_EQ(success, "The UPGRADE process was successful!");
    ASSERT_EQ(specs.size(), 1u);
    EXPECT_EQ(specs[0].defaultExtension, "r70");
    EXPECT_EQ(count(DRV_WRITERAW), 1024);
    EXPECT_EQ(dev->snapshot().firmware, "V9.01 NEW");
    EXPECT_EQ(app.firmwareText, "V9.01 NEW"); // identity read again
    EXPECT_TRUE(app.identified);
    // The new firmware came up with none of them: loaded back, every one.
    const sim::DeviceState now = dev->snapshot();
    for (const auto& [key, value] : test::everySetting(sim::Model::R70))
        EXPECT_EQ(now.registers.at(key), value) << key;
    EXPECT_EQ(dlg.progressBar()->maximum(), 100);
    EXPECT_FALSE(dlg.progressPanel()->isVisibleTo(&dlg));
    EXPECT_TRUE(ui.posted.empty()); // the program goes on
}

// The device stops reading half-way through the image: the dialog ends the
// transfer at the block the line does not take, says so, asks for the
// outcome as after any failed transfer (none comes) and ends the program,
// within 30 s of the stall (the driver's waits are real, the program's run on
// the fake clock and count as well). The default profile keeps the save.
TEST_F(UpgradeWidget, ADeviceThatStopsReadingEndsTheTransferWithinHalfAMinute) {
    startWith(sim::Model::R70);
    for (const auto& [key, value] : test::everySetting(sim::Model::R70))
        ASSERT_NE(dev->query(test::settingCommand(key, value)).find("OK"), std::string::npos);
    core::readMsnTable(app);
    dev->setFaults({.stallAfter = 256 * 1024});
    const std::string path = imageFile(sim::makeImage(sim::Model::R70), "new.r70");
    std::optional<core::ProfileStore::Contents> saved;
    std::int64_t fakeAtLastBlock = 0;
    const auto loader = beforeCall;
    beforeCall = [&](uint16_t code) {
        loader(code);
        if (code == DRV_DOWNLOAD) saved = profiles.contents(core::kDefaultProfile);
        if (code == DRV_WRITERAW) fakeAtLastBlock = clock.now();
    };

    CUpgradeDlg dlg(app, host);
    dlg.setModal(false);
    dlg.show();
    QString stopped, quit;
    answerFiles(dlg, {path});
    ModalScript script({pressInfo(1053), okMessage(&stopped), okMessage(&quit)});
    dlg.findChild<QAbstractButton*>("5014")->click();
    const auto end = std::chrono::steady_clock::now();

    EXPECT_TRUE(script.done());
    ASSERT_TRUE(dev->stalledAt().has_value());
    const auto afterStall =
        end - *dev->stalledAt() + std::chrono::milliseconds(clock.now() - fakeAtLastBlock);
    EXPECT_LT(afterStall, 30s);
    EXPECT_TRUE(stopped.startsWith("The modem stopped taking the upgrade file"))
        << stopped.toStdString();
    EXPECT_EQ(quit.toStdString(), std::string(maintenance::upgradeText(9066, 0)));
    EXPECT_LT(count(DRV_WRITERAW), 1024);
    EXPECT_EQ(count(DRV_DOWNLOADRESULT), 1);
    EXPECT_EQ(ui.posted, std::vector<int>{2153});
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(profiles.contents(core::kDefaultProfile), *saved) << "nothing written since the save";
    EXPECT_NE(profiles.get(core::kDefaultProfile, "MSN_DIV", "AMSN00").value_or(""), "");
}

TEST_F(UpgradeWidget, AFileForNoModelIsRefusedBeforeAnythingIsSent) {
    startWith(sim::Model::R70);
    auto image = sim::makeImage(sim::Model::R70);
    std::memset(image.data() + sim::kModelTextOffset, 0, sim::kFieldSize);
    std::memcpy(image.data() + sim::kModelTextOffset, "QKM-999X", 8);
    const std::string path = imageFile(image, "other.r70");

    CUpgradeDlg dlg(app, host);
    dlg.setModal(false);
    dlg.show();
    QString refusal;
    answerFiles(dlg, {path, std::nullopt});
    ModalScript script({okMessage(&refusal)});
    const auto before = codes.size();
    dlg.findChild<QAbstractButton*>("5014")->click();

    EXPECT_TRUE(script.done());
    EXPECT_TRUE(refusal.contains("R30")) << refusal.toStdString();
    EXPECT_EQ(codes.size(), before); // not one command
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(ui.posted, std::vector<int>{2153}); // cancelling the file dialog ends the program
    EXPECT_FALSE(dev->inBootMode());
}

TEST_F(UpgradeWidget, CancelInFirmwareInfoSendsNothingAndTheProgramGoesOn) {
    startWith(sim::Model::R70);
    const std::string path = imageFile(sim::makeImage(sim::Model::R30), "r30.r30");
    CUpgradeDlg dlg(app, host);
    dlg.setModal(false);
    dlg.show();
    QStringList infoLines;
    answerFiles(dlg, {path});
    ModalScript script({pressInfo(2, &infoLines)});
    const auto before = codes.size();
    dlg.findChild<QAbstractButton*>("5014")->click();
    EXPECT_TRUE(script.done());
    // An R30 file while an R70 is connected is shown as such; the user decides.
    EXPECT_TRUE(infoLines.contains("Model : OrvaISDN R30")) << infoLines.join("|").toStdString();
    EXPECT_TRUE(infoLines.contains("Model : OrvaISDN R70"));
    EXPECT_EQ(codes.size(), before);
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_TRUE(ui.posted.empty());
}

TEST_F(UpgradeWidget, ExitEndsWithTwoAndTheFilterFollowsTheModel) {
    startWith(sim::Model::R70);
    EXPECT_EQ(CUpgradeDlg::qtFilter("RomFile (*.r70)|*.r70|RomFile (*.r*)|*.r*|RomFile "
                                    "(*.bin)|*.bin|AllFiles (*.*)|*.*||"),
              "RomFile (*.r70);;RomFile (*.r*);;RomFile (*.bin);;AllFiles (*.*)");
    ModalScript script({[](QWidget* w) {
        ASSERT_EQ(w->objectName(), "CUpgradeDlg");
        w->findChild<QAbstractButton*>("2153")->click();
    }});
    EXPECT_EQ(runUpgradeDialog(app, main, nullptr), 2);
    EXPECT_TRUE(script.done());

    // The Qt file dialog for an R70: its filters, an existing file; Cancel gives nothing.
    CUpgradeDlg dlg(app, host);
    QStringList filters;
    QString name;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    ModalScript files({[&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr) << w->metaObject()->className();
        filters = fd->nameFilters();
        mode = fd->fileMode();
        if (auto* edit = fd->findChild<QLineEdit*>("fileNameEdit")) name = edit->text();
        fd->reject();
    }});
    EXPECT_EQ(dlg.fileDialog(maintenance::upgradeFileDialog(true, 70, false)), std::nullopt);
    EXPECT_TRUE(files.done());
    EXPECT_EQ(filters.value(0), "RomFile (*.r70)");
    EXPECT_EQ(filters.size(), 4);
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(name, "*.r70"); // the initial name
}

} // namespace
