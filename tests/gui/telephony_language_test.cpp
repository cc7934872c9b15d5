// The telephony pages relabel in both languages; with QUORVEX_SCREENSHOT_DIR set
// every page is written there as a PNG per model and language for a look by eye.
#include "telwidgets_fixture.h"

#include "app/main_window_logic.h"
#include "app/page_factory_widget.h"
#include "maintenance/callback_dlg.h"
#include "support/recording_page.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <memory>

using namespace quorvex;
using namespace quorvex::widgets;
using namespace telwidgets;

namespace {

void keep(QWidget& widget, const QString& name) {
    const QPixmap shot = widget.grab();
    EXPECT_FALSE(shot.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("QUORVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

// A text of each page that must follow the language: control id (or name) and text id.
struct PageLabel {
    int page;
    const char* control;
    int textId;
};
constexpr PageLabel kLabels[] = {
    {1, "2420", 6038}, {1, "2425", 6040},   {1, "1052", 6042}, {2, "2600", 6058},
    {3, "6266", 6266}, {3, "status", 6052}, {4, "2860", 6056},
};

QString shownText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

using TelLanguage = TelWidgets;

TEST_P(TelLanguage, EveryPageRelabelsAndRenders) {
    app->cache.analog[1].name = "Paul";
    const QString tag = GetParam() == Model::R30 ? QStringLiteral("r30") : QStringLiteral("r70");
    for (int index = 1; index <= 4; ++index) {
        std::unique_ptr<PageWidget> page(makePageWidget(index, model(), *app, host, nullptr));
        ASSERT_NE(page, nullptr);
        page->logic().readDevice();
        for (int language : {0, 1}) {
            page->applyLanguage(language);
            for (const PageLabel& l : kLabels) {
                if (l.page != index) continue;
                QWidget* w = page->findChild<QWidget*>(l.control);
                ASSERT_NE(w, nullptr) << l.control;
                EXPECT_EQ(shownText(w).remove('&'),
                          labelText(l.textId, language).trimmed().remove('&'))
                    << "page " << index << " control " << l.control << " language " << language;
            }
            EXPECT_EQ(page->caption(), labelText(8500 + 2 * index, language));
            keep(*page, QStringLiteral("tel_page%1_%2_%3").arg(index).arg(tag).arg(language));
        }
    }
    for (int language : {0, 1}) {
        app->language = language;
        core::CallbackSettings values;
        values.numbers[0].edited = "0301234";
        CCallbackDlg dlg(*app, values);
        keep(dlg, QStringLiteral("tel_callback_%1_%2").arg(tag).arg(language));
    }
}

INSTANTIATE_TEST_SUITE_P(Models, TelLanguage, ::testing::Values(Model::R70, Model::R30), modelName);

} // namespace
