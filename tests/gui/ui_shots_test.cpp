// Renders every building block in English and German. With QUORVEX_SCREENSHOT_DIR set
// the pictures are written there as PNG files for a look by eye.
#include "app/no_response_dlg.h"
#include "app/splash_dlg.h"
#include "ui/discard_dlg.h"
#include "ui/drop_list_widget.h"
#include "ui/info_dlg.h"
#include "ui/page_button_widget.h"
#include "ui/port_symbol_widget.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPixmap>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvex::widgets;

namespace {

void keep(QWidget& widget, const QString& name) {
    widget.adjustSize();
    const QPixmap shot = widget.grab();
    EXPECT_FALSE(shot.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("QUORVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(QDir(folder).filePath(name + QStringLiteral(".png"))))
        << name.toStdString();
}

// A row of controls on the dialog background.
std::unique_ptr<QWidget> controlRow(int language) {
    auto row = std::make_unique<QWidget>();
    applyDialogColours(row.get());
    auto* layout = new QHBoxLayout(row.get());
    auto* analog = new CPortSymbol(0, CPortSymbol::Analog, true, language, row.get());
    analog->setPicture(3);
    layout->addWidget(analog);
    auto* data = new CPortSymbol(5, CPortSymbol::Data, true, language, row.get());
    data->setPicture(1);
    layout->addWidget(data);
    auto* shown = new CPortSymbol(1, CPortSymbol::AnalogMarker, false, language, row.get());
    shown->setPicture(9);
    shown->setMarker(true);
    layout->addWidget(shown);
    auto* flag = new CPortSymbol(0, CPortSymbol::Language, true, language, row.get());
    flag->setPicture(language);
    layout->addWidget(flag);
    for (int kind = 0; kind < 3; ++kind) {
        auto* drop = new CDropList(kind, 2413 + kind, 1, language, false, row.get());
        drop->setFixedSize(kind == 0 ? 120 : 90, 20);
        layout->addWidget(drop);
    }
    return row;
}

} // namespace

TEST(Screenshots, EveryBlockRendersInBothLanguages) {
    for (int language : {0, 1}) {
        const QString tag = language == 1 ? QStringLiteral("_de") : QStringLiteral("_en");
        PageButtonStrip strip(language, 1, false);
        keep(strip, QStringLiteral("strip") + tag);
        keep(*controlRow(language), QStringLiteral("controls") + tag);
        CDiscardDlg discard(language);
        keep(discard, QStringLiteral("discard") + tag);
        CNoResponseDlg noResponse(language);
        keep(noResponse, QStringLiteral("no_response") + tag);
        CInfoDlg info(7002, 8502, language);
        keep(info, QStringLiteral("info") + tag);
        CSplashDlg about(true, language);
        keep(about, QStringLiteral("about") + tag);
        CCreditsDlg credits(language);
        keep(credits, QStringLiteral("credits") + tag);
    }
    CSplashDlg splash(false, 0);
    keep(splash, QStringLiteral("splash"));
}
