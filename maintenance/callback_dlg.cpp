#include "maintenance/callback_dlg.h"

#include "core/config_app.h"
#include "core/port_symbols.h"
#include "ui/accessibility.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace quorvex::widgets {

namespace {

using namespace quorvex::maintenance;

constexpr int kTextActivated = 6172;
constexpr int kTextDataConnections = 6174;
constexpr int kTextExplanation = 6176;
constexpr int kTextCancel = 6160;
constexpr int kDataSymbolControl = 1028;

constexpr int kFieldsTop = 132;
constexpr int kFieldStep = 26;
constexpr int kFieldsPerColumn = 5;
constexpr int kButtonsTop = kFieldsTop + kFieldsPerColumn * kFieldStep + 10;

} // namespace

CCallbackDlg::CCallbackDlg(core::CConfigApp& app, core::CallbackSettings& values, QWidget* parent)
    : QDialog(parent), app_(app), logic_(app, *this, values), language_(app.language) {
    setObjectName(QStringLiteral("callbackDialog"));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setFont(dialogFont(app.largeFonts));
    setWindowTitle(labelText(kCallbackTitleText, language_));
    setFixedSize(kWidth, kHeight);
    build();
    refresh();
    growToTexts(this);
}

CCallbackDlg::~CCallbackDlg() {}

void CCallbackDlg::build() {
    symbol_ = new CPortSymbol(core::kDataSymbolIndex, CPortSymbol::Data, false, language_, this);
    symbol_->setObjectName(QString::number(kDataSymbolControl));
    symbol_->setGeometry(10, 10, CPortSymbol::kWidth, CPortSymbol::kHeight);
    symbol_->setProfileFunctions({}, [this](int index) {
        core::PortSymbol s(index, core::SymbolKind::Data);
        s.load(app_.profiles(), core::kDefaultProfile);
        return s.picture();
    });
    symbol_->reload();

    auto* heading = new QLabel(labelText(kTextDataConnections, language_), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(92, 20, kWidth - 102, 18);

    active_ = new QCheckBox(tableText(kTextActivated, language_), this);
    active_->setObjectName(QString::number(kCallbackSwitchControl));
    active_->setGeometry(10, 56, kWidth - 20, 20);
    connect(active_, &QCheckBox::clicked, this, [this](bool on) { logic_.setActive(on); });

    auto* explanation = new QLabel(labelText(kTextExplanation, language_), this);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    explanation->setGeometry(10, 82, kWidth - 20, 44);

    for (int i = 0; i < core::kCallbackNumberCount; ++i) {
        const int column = i / kFieldsPerColumn;
        const int row = i % kFieldsPerColumn;
        const int x = 10 + column * (kWidth / 2);
        const int y = kFieldsTop + row * kFieldStep;
        auto* label = new QLabel(QString::number(i), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(x, y, 14, 20);
        const int id = kCallbackNumberControl + i;
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setMaxLength(kCallbackMaxDigits);
        edit->setAccessibleName(namePattern(kNameCallerIdEntry, language_, QString::number(i)));
        edit->setGeometry(x + 20, y, kWidth / 2 - 40, 20);
        connect(edit, &QLineEdit::textEdited, this,
                [this, id](const QString& text) { logic_.numberChanged(id, text.toStdString()); });
        numbers_.push_back(edit);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(kCallbackOkButton));
    ok->setDefault(true);
    ok->setGeometry(kWidth / 2 - 100, kButtonsTop, 90, 24);
    connect(ok, &QPushButton::clicked, this, [this] { confirmClicked(); });

    auto* cancel = new QPushButton(tableText(kTextCancel, language_), this);
    cancel->setObjectName(QString::number(kCallbackCancelButton));
    cancel->setGeometry(kWidth / 2 + 10, kButtonsTop, 90, 24);
    connect(cancel, &QPushButton::clicked, this, [this] {
        logic_.cancel();
        done(kCallbackCancelButton);
    });

    auto* help = new QToolButton(this);
    help->setObjectName(QString::number(menus::kCmdPageHelp));
    help->setText(QStringLiteral("?"));
    help->setFocusPolicy(Qt::TabFocus);
    help->setAccessibleName(PageWidget::helpName(language_));
    help->setToolTip(help->accessibleName());
    help->setFont(pixelFont(10, true));
    help->setGeometry(kWidth - 23, kHeight - 21, 15, 15);
    connect(help, &QToolButton::clicked, this, [this] { showHelp(); });
}

void CCallbackDlg::confirmClicked() {
    logic_.confirm(); // failed items stay different from the device and go again next time
    done(kCallbackOkButton);
}

void CCallbackDlg::showHelp() {
    CInfoDlg dlg(kCallbackHelpText, kCallbackTitleText, language_, beepFor(app_.soundOn), this);
    dlg.exec();
}

QWidget* CCallbackDlg::control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

void CCallbackDlg::message(int textId) {
    showMessage(this, textId, language_, beepFor(app_.soundOn));
}

bool CCallbackDlg::askYesNo(int textId) {
    return widgets::askYesNo(this, textId, language_, beepFor(app_.soundOn));
}

void CCallbackDlg::beep() {
    systemBeep();
}

void CCallbackDlg::setBusy(bool on) {
    busy_.set(on);
}

void CCallbackDlg::focus(int controlId) {
    if (QWidget* w = control(controlId); w != nullptr) w->setFocus(Qt::OtherFocusReason);
}

void CCallbackDlg::refresh() {
    {
        const QSignalBlocker block(active_);
        active_->setChecked(logic_.active());
    }
    for (int i = 0; i < static_cast<int>(numbers_.size()); ++i) {
        QLineEdit* edit = numbers_[static_cast<std::size_t>(i)];
        const QSignalBlocker block(edit);
        const QString text = QString::fromStdString(logic_.number(i));
        if (edit->text() != text) edit->setText(text);
    }
}

void CCallbackDlg::messageWithTail(int textId, const std::string& tail) {
    showMessage(this, labelText(textId, language_) + QString::fromStdString(tail),
                beepFor(app_.soundOn));
}

} // namespace quorvex::widgets
