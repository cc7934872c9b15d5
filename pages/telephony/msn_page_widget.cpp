#include "pages/telephony/msn_page_widget.h"

#include "ui/accessibility.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace quorvex::widgets {
namespace {

using telephony::kDataSlot;

constexpr int kLabelTop = 8;
constexpr int kSymbolTop = 28;
constexpr int kNameTop = 72;
constexpr int kMsnTop = 102;
constexpr int kRowStep = 26;
constexpr int kEditHeight = 22;
constexpr int kFaxNoteTop = kMsnTop + 3 * kRowStep;
constexpr int kFaxNoteGap = 30; // room for the two lines of 6034 above data MSNs 4 and 5
constexpr int kClipTop = 270;
constexpr int kClipNoteTop = 298;
constexpr int kColumnMargin = 8;

constexpr int kPortLabelText = 6020; // + 2 * slot: "Port 11" ... "Data Port"
constexpr int kClipNoteText = 6032;  // "Check the checkboxs, CLIP will be enable."
constexpr int kFaxNoteText = 6034;   // "SoftFax/ Dig.\nAnswer machine"
constexpr int kNameMaxLength = 49;   // what a profile gives back

} // namespace

MsnPageWidget::MsnPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                             QWidget* parent)
    : PageWidget(app, host, kPageIndex, SendButton::Yes, parent), logic_(app, *this, host, model) {
    const int ports = logic_.portCount();
    const int columns = ports + 1;
    const int columnWidth = kPageWidth / columns;
    for (int slot = 0; slot < ports; ++slot)
        buildColumn(slot, slot, columnWidth);
    buildColumn(kDataSlot, ports, columnWidth);

    clipNote_ = new QLabel(content());
    clipNote_->setObjectName(QStringLiteral("1231"));
    clipNote_->setGeometry(10, kClipNoteTop, kPageWidth - 20, 20);
    clipNote_->setAlignment(Qt::AlignCenter);
    clipNote_->setWordWrap(true);

    setReadingOrder(readingOrder_);
    relabel(language());
    refresh();
}

MsnPageWidget::~MsnPageWidget() = default;

QLineEdit* MsnPageWidget::addEdit(int controlId, const QRect& where, bool isMsn) {
    auto* edit = new QLineEdit(content());
    edit->setObjectName(QString::number(controlId));
    edit->setGeometry(where);
    if (!isMsn) {
        edit->setMaxLength(kNameMaxLength);
        setTextColour(edit, kPortNameBlue, QPalette::Text);
    }
    readingOrder_.push_back(edit);
    connect(edit, &QLineEdit::textEdited, this, [this, controlId, isMsn](const QString& text) {
        if (filling()) return;
        logic_.setText(controlId, text.toStdString());
        if (isMsn) logic_.fieldChanged(controlId); // checks the MSN at every keystroke
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, controlId] {
        if (!filling()) logic_.fieldLeft(controlId);
    });
    edits_.insert(controlId, edit);
    return edit;
}

void MsnPageWidget::buildColumn(int slot, int column, int columnWidth) {
    const int left = column * columnWidth + kColumnMargin;
    const int width = columnWidth - 2 * kColumnMargin;

    auto* label = new QLabel(content());
    label->setObjectName(QString::number(1225 + slot));
    // The whole column: "Datenanschluß" needs it.
    label->setGeometry(column * columnWidth + 1, kLabelTop, columnWidth - 2, 18);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setFont(pixelFont(11, true));
    portLabels_[static_cast<std::size_t>(slot)] = label;

    const bool dataPort = slot == kDataSlot;
    auto* symbol = new CPortSymbol(slot, dataPort ? CPortSymbol::Data : CPortSymbol::Analog,
                                   /*picker*/ true, language(), content());
    symbol->setObjectName(QString::number(1023 + slot));
    symbol->move(left + (width - CPortSymbol::kWidth) / 2, kSymbolTop);
    connect(symbol, &CPortSymbol::pictureChosen, this, [this, symbol](int picture) {
        logic_.symbolChosen(symbol->index(), symbol->firstCommand() + picture);
    });
    symbols_[static_cast<std::size_t>(slot)] = symbol;
    readingOrder_.push_back(symbol);

    addEdit(telephony::kNameEditFirst + slot, QRect(left, kNameTop, width, kEditHeight), false);

    if (dataPort) {
        for (int i = 0; i < 5; ++i) {
            int top = kMsnTop + i * kRowStep + (i >= 3 ? kFaxNoteGap : 0);
            addEdit(telephony::kDataMsnEditFirst + i, QRect(left, top, width, kEditHeight), true);
        }
        faxNote_ = new QLabel(content());
        faxNote_->setObjectName(QStringLiteral("1232"));
        faxNote_->setGeometry(left - 4, kFaxNoteTop - 2, width + 8, kFaxNoteGap);
        faxNote_->setAlignment(Qt::AlignCenter);
        faxNote_->setWordWrap(true);
        faxNote_->setFont(pixelFont(10));
    } else {
        for (int m = 0; m < 3; ++m) {
            addEdit(telephony::kMsnEditFirst + 3 * slot + m,
                    QRect(left, kMsnTop + m * kRowStep, width, kEditHeight), true);
        }
    }

    const int clipId = telephony::kClipCheckFirst + slot;
    auto* clip = new QCheckBox(QStringLiteral("CLIP"), content());
    clip->setObjectName(QString::number(clipId));
    clip->setGeometry(left + (width - 56) / 2, kClipTop, 56, 20);
    connect(clip, &QCheckBox::toggled, this, [this, clipId](bool on) {
        if (filling()) return;
        logic_.setChecked(clipId, on);
        logic_.fieldLeft(clipId);
    });
    clips_.insert(clipId, clip);
    readingOrder_.push_back(clip);
}

void MsnPageWidget::refreshControls() {
    for (auto it = edits_.cbegin(); it != edits_.cend(); ++it) {
        QString text = QString::fromStdString(logic_.text(it.key()));
        if (it.value()->text() != text) it.value()->setText(text);
    }
    for (auto it = clips_.cbegin(); it != clips_.cend(); ++it)
        it.value()->setChecked(logic_.checked(it.key()));
    for (CPortSymbol* symbol : symbols_) {
        if (symbol != nullptr) symbol->setPicture(logic_.symbols().at(symbol->index()).picture());
    }
}

void MsnPageWidget::relabel(int lang) {
    for (int slot = 0; slot < telephony::kSlotCount; ++slot) {
        if (QLabel* label = portLabels_[static_cast<std::size_t>(slot)])
            label->setText(labelText(kPortLabelText + 2 * slot, lang));
        if (CPortSymbol* symbol = symbols_[static_cast<std::size_t>(slot)])
            symbol->setLanguage(lang);
        // Names for assistive technology: what the field is, and for which port.
        const QString port = nameText(kPortLabelText + 2 * slot, lang);
        if (QLineEdit* name = edit(telephony::kNameEditFirst + slot))
            name->setAccessibleName(namePattern(kNamePortName, lang, port));
        const bool dataPort = slot == kDataSlot;
        for (int m = 0; m < (dataPort ? 5 : 3); ++m) {
            const int id = dataPort ? telephony::kDataMsnEditFirst + m
                                    : telephony::kMsnEditFirst + 3 * slot + m;
            if (QLineEdit* msn = edit(id))
                msn->setAccessibleName(namePattern(kNameMsnOf, lang, QString::number(m + 1), port));
        }
        if (QCheckBox* clip = clipBox(telephony::kClipCheckFirst + slot))
            clip->setAccessibleName(nameIn(clip->text(), port));
    }
    clipNote_->setText(labelText(kClipNoteText, lang));
    if (faxNote_ != nullptr) faxNote_->setText(labelText(kFaxNoteText, lang));
}

bool MsnPageWidget::enterOrTab(int focusedId) {
    if (logic_.hasControl(focusedId) || focusedId == menus::kCmdSend) {
        logic_.enterOrTab(focusedId);
    } else {
        logic_.enterOrTab();
    }
    // A field the logic set back (an invalid MSN) keeps the focus: no request.
    return focusRequested();
}

} // namespace quorvex::widgets
