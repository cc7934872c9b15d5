#include "app/settings_dlg.h"

#include "ui/accessibility.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

namespace quorvex::widgets {
namespace {

constexpr int kWidth = 460;
constexpr int kChoiceRow = 28; // the port choice below the port line
constexpr int kHeight = 336 + kChoiceRow;
constexpr int kGrooveTop = 96 + kChoiceRow;     // frame 1477: the groove along its top edge
constexpr int kGrooveBottom = 282 + kChoiceRow; // ... and along its bottom edge
constexpr int kFieldTop = 168 + kChoiceRow;
constexpr int kFieldStep = 28;

} // namespace

CSettingsDlg::CSettingsDlg(core::CConfigApp& app, app::MainWindowLogic& main, std::string portPath,
                           QWidget* parent)
    : QDialog(parent), app_(app), main_(main), logic_(app, main, *this, std::move(portPath)) {
    setObjectName(QStringLiteral("CSettingsDlg"));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setFont(dialogFont(app_.largeFonts));
    setFixedSize(kWidth, kHeight);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    addLabel(1483, QRect(20, 16, 110, 20));
    port_ = new QLabel(this);
    port_->setObjectName(QString::number(app::kPortLabel));
    port_->setGeometry(130, 16, kWidth - 150, 20);
    port_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    portChoice_ = new QComboBox(this);
    portChoice_->setObjectName(QString::number(app::kPortChoice));
    portChoice_->setGeometry(130, 40, kWidth - 150, 24);
    portChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(portChoice_, &QComboBox::activated, this, [this](int index) {
        if (!filling_ && index >= 0) logic_.choosePort(static_cast<std::size_t>(index));
    });

    addLabel(1482, QRect(20, 54 + kChoiceRow, 110, 20));
    picker_ = new CPortSymbol(0, CPortSymbol::Language, true, app_.language, this);
    picker_->setObjectName(QStringLiteral("1052"));
    picker_->move(130, 44 + kChoiceRow);
    connect(picker_, &CPortSymbol::languageChosen, this,
            [this](int language) { logic_.chooseLanguage(language); });

    sound_ = new QCheckBox(this);
    sound_->setObjectName(QString::number(app::kSoundCheck));
    sound_->setGeometry(20, kGrooveTop + 12, 340, 22);
    connect(sound_, &QCheckBox::toggled, this, [this](bool on) {
        if (!filling_) logic_.setChecked(app::kSoundCheck, on);
    });
    lcd_ = new QCheckBox(this);
    lcd_->setObjectName(QString::number(app::kLcdGermanCheck));
    lcd_->setGeometry(20, kGrooveTop + 38, 340, 22);
    connect(lcd_, &QCheckBox::toggled, this, [this](bool on) {
        if (!filling_) logic_.setChecked(app::kLcdGermanCheck, on);
    });

    for (std::size_t i = 0; i < app::kSettingsFields.size(); ++i) {
        int y = kFieldTop + static_cast<int>(i) * kFieldStep;
        addLabel(1478 + static_cast<int>(i), QRect(20, y + 2, 180, 20));
        const app::SettingsField& field = app::kSettingsFields[i];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(field.controlId));
        edit->setGeometry(210, y, 150, 22);
        connect(edit, &QLineEdit::textEdited, this, [this, id = field.controlId](const QString& t) {
            if (!filling_) logic_.userEdited(id, t.toStdString());
        });
        edits_[i] = edit;
    }

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QString::number(app::kSettingsOk));
    ok_->setGeometry(kWidth / 2 - 105, kGrooveBottom + 14, 95, 26);
    connect(ok_, &QPushButton::clicked, this, &CSettingsDlg::okClicked);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QString::number(app::kSettingsCancel));
    cancel_->setGeometry(kWidth / 2 + 10, kGrooveBottom + 14, 95, 26);
    connect(cancel_, &QPushButton::clicked, this, &CSettingsDlg::cancelClicked);
    // Enter in a field moves on (keyPressEvent); only a focused button takes it as a click.
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(true);

    logic_.open();
    // Room for the texts of both languages: the flag switches them while the dialog is open.
    const int shown = logic_.shownLanguage();
    for (int language : {1 - shown, shown}) {
        relabel(language);
        growToTexts(this);
    }
}

CSettingsDlg::~CSettingsDlg() {}

QLabel* CSettingsDlg::addLabel(int id, const QRect& where) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::number(id));
    label->setGeometry(where);
    return label;
}

void CSettingsDlg::okClicked() {
    applied_ = logic_.ok();
    accept();
}

void CSettingsDlg::cancelClicked() {
    logic_.cancel(false);
    QDialog::reject();
}

void CSettingsDlg::reject() {
    logic_.cancel(true);
    QDialog::reject();
}

void CSettingsDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focused = focusWidget();
        if (auto* edit = qobject_cast<QLineEdit*>(focused)) {
            int next = app::SettingsDialog::nextControl(edit->objectName().toInt());
            if (QWidget* w = findChild<QWidget*>(QString::number(next))) w->setFocus();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CSettingsDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    for (int y : {kGrooveTop, kGrooveBottom}) {
        painter.setPen(QColor(127, 127, 127));
        painter.drawLine(12, y, width() - 13, y);
        painter.setPen(Qt::white);
        painter.drawLine(12, y + 1, width() - 13, y + 1);
    }
}

// ---- SettingsUi ----

void CSettingsDlg::message(int textId) {
    showMessage(this, textId, logic_.shownLanguage(), beepFor(app_.soundOn));
}

void CSettingsDlg::beep() {
    systemBeep();
}

void CSettingsDlg::setBusy(bool on) {
    busy_.set(on);
}

void CSettingsDlg::refresh() {
    filling_ = true;
    {
        const QSignalBlocker b1(sound_), b2(lcd_);
        sound_->setChecked(logic_.checked(app::kSoundCheck));
        lcd_->setChecked(logic_.checked(app::kLcdGermanCheck));
    }
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const QSignalBlocker blocked(edits_[i]);
        QString text = QString::fromStdString(logic_.text(app::kSettingsFields[i].controlId));
        if (edits_[i]->text() != text) edits_[i]->setText(text);
    }
    port_->setText(QString::fromStdString(logic_.text(app::kPortLabel)));
    fillPortChoice();
    picker_->setPicture(logic_.shownLanguage());
    filling_ = false;
}

void CSettingsDlg::relabel(int language) {
    for (const app::SettingsText& t : app::kSettingsTexts) {
        if (t.controlId == 0) {
            setWindowTitle(labelText(t.textId, language));
        } else if (auto* button = findChild<QAbstractButton*>(QString::number(t.controlId))) {
            button->setText(tableText(t.textId, language));
        } else if (auto* label = findChild<QLabel*>(QString::number(t.controlId))) {
            label->setText(labelText(t.textId, language));
        }
    }
    picker_->setLanguage(language);
    picker_->setPicture(language);
    fillPortChoice(); // "search all" in the new language
    // Names for assistive technology: the label beside each field.
    const auto labelOf = [this](int id) {
        const auto* label = findChild<QLabel*>(QString::number(id));
        return label != nullptr ? nameText(label->text()) : QString();
    };
    for (std::size_t i = 0; i < edits_.size(); ++i)
        edits_[i]->setAccessibleName(labelOf(1478 + static_cast<int>(i)));
    portChoice_->setAccessibleName(labelOf(1483));
    update();
}

void CSettingsDlg::fillPortChoice() {
    const QSignalBlocker blocked(portChoice_);
    portChoice_->clear();
    for (std::size_t i = 0; i < logic_.portChoiceCount(); ++i)
        portChoice_->addItem(QString::fromStdString(logic_.portChoiceLabel(i)));
    portChoice_->setCurrentIndex(static_cast<int>(logic_.portChoice()));
    portChoice_->setEnabled(logic_.portChoiceCount() > 0);
    portChoice_->setToolTip(portChoice_->currentText());
}

void CSettingsDlg::reportWriteFailures(const core::WriteReport& report) {
    main_.reportWriteFailures(report);
}

} // namespace quorvex::widgets
