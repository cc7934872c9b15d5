#include "app/check_dlg.h"

#include "check/check_report.h"
#include "profile/atomic_file.h"
#include "profile/native_text.h"
#include "resources/text_table.h"
#include "ui/qt_ui.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvex::widgets {
namespace {

constexpr int kTextOnlyQueries = 10204;
constexpr int kTextChecking = 10194;
constexpr int kTextSaveReport = 10196;
constexpr int kTextClose = 10198;
constexpr int kTextSaved = 10200;
constexpr int kTextNotSaved = 10202;
constexpr int kTextTitle = 10160;
constexpr int kTextNoDevice = 10106;

} // namespace

CCheckDlg::CCheckDlg(core::CConfigApp& app, QWidget* parent) : QDialog(parent), app_(app) {
    const int lang = app.language;
    setObjectName(QStringLiteral("CCheckDlg"));
    setWindowTitle(labelText(kTextTitle, lang));
    applyDialogColours(this);
    setFont(dialogFont(largeFonts()));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(labelText(kTextOnlyQueries, lang), this);
    note->setObjectName(QStringLiteral("note"));
    note->setWordWrap(true);
    layout->addWidget(note);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setAccessibleName(labelText(kTextChecking, lang));
    bar_->setFormat(labelText(kTextChecking, lang) + QStringLiteral(" %v/%m"));
    layout->addWidget(bar_);
    summary_ = new QPlainTextEdit(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setAccessibleName(labelText(kTextTitle, lang));
    summary_->setReadOnly(true);
    summary_->setMinimumSize(560, 240);
    layout->addWidget(summary_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    save_ = new QPushButton(tableText(kTextSaveReport, lang), this);
    save_->setObjectName(QStringLiteral("saveReport"));
    save_->setEnabled(false);
    close_ = new QPushButton(tableText(kTextClose, lang), this);
    close_->setObjectName(QStringLiteral("close"));
    close_->setDefault(true);
    buttons->addWidget(save_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(save_, &QPushButton::clicked, this, [this] { askSave(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
}

void CCheckDlg::runCheck() {
    const int lang = app_.language;
    running_ = true;
    close_->setEnabled(false);
    check::DeviceCheck check(app_.directDriver(), app_.lineWatch);
    // Only a device the program is connected to is checked: the port is open.
    const bool started = app_.connected && check.start(false);
    bar_->setRange(0, std::max(1, check.total()));
    while (started) {
        bar_->setValue(check.done());
        // Painting, no user input: the check owns the line.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!check.next()) break;
    }
    bar_->setValue(bar_->maximum());
    run_ = check.finish();
    ran_ = started;
    summary_->setPlainText(started ? QString::fromStdString(check::checkSummary(run_, false, lang))
                                   : labelText(kTextNoDevice, lang));
    save_->setEnabled(ran_);
    close_->setEnabled(true);
    close_->setFocus();
    running_ = false;
}

void CCheckDlg::reject() {
    if (!running_) QDialog::reject();
}

QString CCheckDlg::summary() const {
    return summary_->toPlainText();
}

bool CCheckDlg::saveReport(const QString& path) {
    const int lang = app_.language;
    const check::CheckContext context = check::checkContext("quorvex", app_.ports, app_.portIndex);
    const std::string report = check::checkReport(run_, context, false, lang);
    // The name as UTF-8, never through the C runtime's code page (Windows).
    const auto why =
        profile::replaceFileAtomically(profile::pathFromUtf8(path.toStdString()), report);
    const std::string said =
        why ? text::fill(text::get(kTextNotSaved, lang), {path.toStdString(), *why})
            : text::fill(text::get(kTextSaved, lang), {path.toStdString()});
    showMessage(this, QString::fromStdString(said), beepFor(app_.soundOn));
    return !why;
}

void CCheckDlg::askSave() {
    const QString name =
        QStringLiteral("quorvex-check-%1.txt").arg(QDate::currentDate().toString(Qt::ISODate));
    const QString path = QFileDialog::getSaveFileName(
        this, tableText(kTextSaveReport, app_.language).remove(QStringLiteral("...")),
        QDir::home().filePath(name), QStringLiteral("Text (*.txt)"));
    if (!path.isEmpty()) saveReport(path);
}

void runCheckDialog(core::CConfigApp& app, QWidget* parent) {
    CCheckDlg dlg(app, parent);
    // The check starts once the window is on the screen (exec shows it modal).
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.runCheck(); });
    dlg.exec();
}

} // namespace quorvex::widgets
