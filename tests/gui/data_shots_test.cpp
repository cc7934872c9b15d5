// The layouts of the data and cost pages in both languages and for both
// models: every control inside the page, every caption fits its control.
// With QUORVEX_SCREENSHOT_DIR set, each page is also saved as a PNG there.
#include "datawidgets_fixture.h"

#include "pages/data/bod_dlg.h"
#include "pages/data/charge_page_widget.h"
#include "pages/data/data_page_widget.h"
#include "pages/data/lcr_page_widget.h"
#include "pages/data/timer_page_widget.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>

namespace datawidgets_test {
namespace {

using namespace quorvex::widgets;

// Captions that do not fit their control, and controls that reach outside the window.
std::vector<std::string> layoutFaults(QWidget* root) {
    std::vector<std::string> faults;
    const QRect inside(QPoint(0, 0), root->size());
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->objectName().isEmpty()) continue;
        const QRect r(w->mapTo(root, QPoint(0, 0)), w->size());
        const std::string name = w->objectName().toStdString();
        if (!inside.contains(r)) faults.push_back(name + " reaches outside");
        int needed = 0;
        if (auto* label = qobject_cast<QLabel*>(w);
            label != nullptr && label->pixmap().isNull() && !label->wordWrap())
            needed = label->sizeHint().width();
        if (qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr)
            needed = w->sizeHint().width();
        if (needed > w->width() + 2)
            faults.push_back(name + " needs " + std::to_string(needed) + " px, has " +
                             std::to_string(w->width()));
    }
    return faults;
}

void save(QWidget* w, const std::string& name) {
    const QByteArray dir = qgetenv("QUORVEX_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(QString::fromUtf8(dir));
    w->grab().save(QString::fromUtf8(dir) + "/" + QString::fromStdString(name) + ".png");
}

struct ShotCase {
    sim::Model model;
    const char* modelName;
};

class Shots : public SimFixture, public ::testing::WithParamInterface<ShotCase> {};

TEST_P(Shots, PagesFitInBothLanguages) {
    start(GetParam().model);
    DataPageWidget data(app, host);
    LcrPageWidget lcr(app, host);
    ChargePageWidget charges(app, host);
    TimerPageWidget timer(app, host);
    const std::pair<PageWidget*, const char*> pages[] = {
        {&data, "data"}, {&lcr, "lcr"}, {&charges, "charges"}, {&timer, "timer"}};
    for (auto& [page, name] : pages)
        page->logic().readDevice();
    // The data page with every PPP control shown.
    data.dataPage().protocolSelected(data::kPpp);
    data.dataPage().checkClicked(data::kCtlMultiLinkPpp, true);
    data.dataPage().checkClicked(data::kCtlBod, true);
    data.dataPage().eidClassSelected(data::kEidMagic);
    for (int lang : {0, 1}) {
        for (auto& [page, name] : pages) {
            page->applyLanguage(lang);
            EXPECT_EQ(page->width(), page->naturalSize().width());
            EXPECT_GE(page->width(), 620);
            const std::string shot =
                std::string(name) + "_" + GetParam().modelName + (lang == 1 ? "_de" : "_en");
            for (const std::string& fault : layoutFaults(page))
                ADD_FAILURE() << shot << ": " << fault;
            save(page, shot);
        }
        data.dataPage().protocolSelected(data::kV120);
        save(&data, std::string("data_v120_") + GetParam().modelName + (lang ? "_de" : "_en"));
        for (const std::string& fault : layoutFaults(&data))
            ADD_FAILURE() << "data V.120: " << fault;
        data.dataPage().protocolSelected(data::kX75T70);
        for (const std::string& fault : layoutFaults(&data))
            ADD_FAILURE() << "data X.75: " << fault;
        data.dataPage().protocolSelected(data::kPpp);

        CBodDlg bod(data.dataPage().bodValues(), lang, false);
        for (const std::string& fault : layoutFaults(&bod))
            ADD_FAILURE() << "BOD dialog: " << fault;
        save(&bod, std::string("bod_") + (lang ? "de" : "en"));
    }
    charges.logic().hidden();
}

INSTANTIATE_TEST_SUITE_P(Models, Shots,
                         ::testing::Values(ShotCase{sim::Model::R70, "R70"},
                                           ShotCase{sim::Model::R30, "R30"}),
                         [](const auto& shot) { return std::string(shot.param.modelName); });

} // namespace
} // namespace datawidgets_test
