#include "app/status_dlg.h"

#include "ui/qt_ui.h"
#include "ui/text_room.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace quorvex::widgets {

CStatusDlg::CStatusDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("353"));
    setWindowTitle(kAppCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    applyDialogColours(this);
    setFont(dialogFont(largeFonts()));
    setFixedSize(360, 92);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("statusText"));
    text_->setGeometry(16, 12, 328, 32);
    text_->setWordWrap(true);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("statusBar"));
    bar_->setGeometry(16, 52, 328, 20);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
}

void CStatusDlg::setText(const QString& text) {
    text_->setText(text);
    growToTexts(this); // a long file name takes another line
    repaintNow();
}

void CStatusDlg::setRange(int maximum) {
    bar_->setRange(0, std::max(1, maximum));
    repaintNow();
}

void CStatusDlg::setPosition(int position) {
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
    repaintNow();
}

QString CStatusDlg::text() const {
    return text_->text();
}

int CStatusDlg::position() const {
    return bar_->value();
}

int CStatusDlg::maximum() const {
    return bar_->maximum();
}

void CStatusDlg::repaintNow() {
    if (!isVisible()) return;
    // Painting and window-system events, no user input. The program's own
    // posted work waits (postWhenIdle) and the page polls skip while the load
    // or save has the line.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void CStatusDlg::closeEvent(QCloseEvent* event) {
    event->ignore(); // the work closes it when it is done
}

} // namespace quorvex::widgets
