#include "pages/data/bod_dlg.h"

#include "ui/accessibility.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace quorvex::widgets {
namespace {

constexpr int kTitleText = 8554;   // "BOD configuration"
constexpr int kCautionText = 6234; // "CAUTION: The BOD settings are for advanced users only. ..."
constexpr int kCancelText = 6160;
constexpr int kHelpBody = 7046;
constexpr int kWidth = 360;
constexpr int kHeight = 322;

// One box of the dialog: its caption and its two rows (value, duration).
struct BoxSpec {
    int caption;
    int waterLabel;
    data::BodField water;
    data::BodField duration;
    int top;
};
constexpr BoxSpec kBoxes[] = {
    {6236, 6238, data::BodField::HighWater, data::BodField::HighDuration, 62},
    {6248, 6242, data::BodField::LowWater, data::BodField::LowDuration, 156},
};
constexpr int kDurationLabel = 6240; // "duration:"
constexpr int kWaterUnit = 6244;     // "kbit /s"
constexpr int kDurationUnit = 6246;  // "min."

QLabel* label(QWidget* parent, const QString& text, QRect where, const QString& name) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(where);
    return l;
}

} // namespace

CBodDlg::CBodDlg(const data::BodValues& opening, int language, bool soundOn, QWidget* parent)
    : QDialog(parent), language_(language), soundOn_(soundOn), logic_(*this, opening, soundOn),
      values_(opening) {
    setObjectName(QStringLiteral("CBodDlg"));
    setWindowTitle(labelText(kTitleText, language_));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setFont(dialogFont(false));
    setFixedSize(kWidth, kHeight);
    build();
    refresh();
    growToTexts(this);
}

CBodDlg::~CBodDlg() = default;

void CBodDlg::build() {
    for (int i = 0; i < 2; ++i) {
        // Decoration: the caution text between them says it.
        auto* picture = new CPicture(QStringLiteral("caution.svg"), QSize(40, 40), this);
        picture->setObjectName(QStringLiteral("caution%1").arg(i));
        picture->setGeometry(i == 0 ? 12 : kWidth - 52, 10, 40, 40);
    }
    auto* caution = label(this, labelText(kCautionText, language_), QRect(58, 6, kWidth - 116, 50),
                          QStringLiteral("caution"));
    caution->setWordWrap(true);
    caution->setAlignment(Qt::AlignCenter);

    for (const BoxSpec& box : kBoxes) {
        auto* group = new QGroupBox(labelText(box.caption, language_), this);
        group->setObjectName(QString::number(box.caption));
        group->setGeometry(12, box.top, kWidth - 24, 84);
        const std::pair<data::BodField, std::pair<int, int>> rows[] = {
            {box.water, {box.waterLabel, kWaterUnit}},
            {box.duration, {kDurationLabel, kDurationUnit}},
        };
        int y = 24;
        for (const auto& [field, texts] : rows) {
            label(group, labelText(texts.first, language_), QRect(14, y + 2, 110, 18),
                  QStringLiteral("label%1").arg(data::bodControlId(field)));
            auto* edit = new QLineEdit(group);
            edit->setObjectName(QString::number(data::bodControlId(field)));
            // "duration" stands in both boxes: the box tells them apart.
            edit->setAccessibleName(
                nameIn(nameText(texts.first, language_), nameText(box.caption, language_)));
            edit->setGeometry(130, y, 56, 22);
            edit->setMaxLength(8);
            connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
                logic_.fieldChanged(field, text.toStdString());
            });
            fields_[static_cast<std::size_t>(field)] = edit;
            label(group, labelText(texts.second, language_), QRect(194, y + 2, 80, 18),
                  QStringLiteral("unit%1").arg(data::bodControlId(field)));
            y += 30;
        }
    }

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QString::number(kOk));
    ok_->setGeometry(kWidth / 2 - 100, 252, 90, 25);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, [this] { okClicked(); });
    cancel_ = new QPushButton(tableText(kCancelText, language_), this);
    cancel_->setObjectName(QString::number(kCancel));
    cancel_->setGeometry(kWidth / 2 + 10, 252, 90, 25);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    help_ = new QToolButton(this);
    help_->setObjectName(QString::number(kHelp));
    help_->setText(QStringLiteral("?"));
    help_->setFont(pixelFont(10, true));
    help_->setFocusPolicy(Qt::TabFocus);
    help_->setAccessibleName(PageWidget::helpName(language_));
    help_->setToolTip(help_->accessibleName());
    help_->setGeometry(kWidth - 23, kHeight - 21, 15, 15);
    connect(help_, &QToolButton::clicked, this, [this] { showHelp(); });
}

data::BodValues CBodDlg::run(const data::BodValues& opening, int language, bool soundOn,
                             QWidget* parent) {
    CBodDlg dlg(opening, language, soundOn, parent);
    dlg.exec();
    return dlg.values();
}

void CBodDlg::okClicked() {
    values_ = logic_.ok();
    done(kOk);
}

void CBodDlg::reject() {
    values_ = logic_.cancel();
    done(kCancel);
}

void CBodDlg::showHelp() {
    CInfoDlg dlg(kHelpBody, kTitleText, language_, beepFor(soundOn_), this);
    dlg.exec();
}

// ---- PageUi ----

void CBodDlg::message(int textId) {
    showMessage(this, textId, language_, beepFor(soundOn_));
}

bool CBodDlg::askYesNo(int textId) {
    return widgets::askYesNo(this, textId, language_, beepFor(soundOn_));
}

void CBodDlg::beep() {
    systemBeep();
}

void CBodDlg::focus(int controlId) {
    auto* edit = findChild<QLineEdit*>(QString::number(controlId));
    if (edit == nullptr) return;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void CBodDlg::refresh() {
    for (int i = 0; i < data::kBodFieldCount; ++i) {
        QLineEdit* edit = fields_[static_cast<std::size_t>(i)];
        const QSignalBlocker block(edit);
        const QString text = QString::fromStdString(logic_.text(static_cast<data::BodField>(i)));
        if (edit->text() != text) edit->setText(text);
    }
}

void CBodDlg::messageWithTail(int textId, const std::string& tail) {
    showMessage(this, labelText(textId, language_) + QString::fromStdString(tail),
                beepFor(soundOn_));
}

} // namespace quorvex::widgets
