#include "ui/discard_dlg.h"

#include "ui/accessibility.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvex::widgets {

namespace {

struct ButtonRow {
    int id;
    int textId;
};

constexpr ButtonRow kButtons[] = {
    {CDiscardDlg::kSend, 6036},
    {CDiscardDlg::kDiscard, 6232},
    {CDiscardDlg::kCancel, 6160},
};

} // namespace

CDiscardDlg::CDiscardDlg(int language, BeepFn beep, QWidget* parent)
    : QDialog(parent), beep_(std::move(beep)) {
    setObjectName(QStringLiteral("CDiscardDlg"));
    setWindowTitle(kAppCaption);
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new CPicture(QStringLiteral("discard.svg"), {}, this); // decoration
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* text = new QLabel(labelText(6230, language), this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setFont(dialogFont(largeFonts()));
    text->setMinimumWidth(300);
    top->addWidget(text, 1, Qt::AlignVCenter);
    layout->addLayout(top);
    layout->addSpacing(8);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const ButtonRow& row : kButtons) {
        auto* button = new QPushButton(tableText(row.textId, language), this);
        button->setObjectName(QString::number(row.id));
        button->setAutoDefault(false);
        if (row.id == kSend) button->setDefault(true);
        const int id = row.id;
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (beep_) beep_();
            done(id);
        });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDiscardDlg::reject() {
    done(kCancel);
}

int CDiscardDlg::ask(int language, const BeepFn& beep, QWidget* parent) {
    CDiscardDlg dialog(language, beep, parent);
    return dialog.exec();
}

} // namespace quorvex::widgets
