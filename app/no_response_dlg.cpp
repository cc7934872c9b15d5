#include "app/no_response_dlg.h"

#include "core/port_access.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quorvex::widgets {

CNoResponseDlg::CNoResponseDlg(int language, QWidget* parent, const std::vector<std::string>& tried)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CNoResponseDlg"));
    setWindowTitle(kAppCaption);
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    const bool large = largeFonts();

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);

    auto* title = new QLabel(labelText(8552, language), this);
    title->setObjectName(QStringLiteral("8552"));
    title->setTextFormat(Qt::PlainText);
    title->setFont(pixelFont(large ? 15 : 13, true));
    layout->addWidget(title, 0, 0, 1, 2);

    auto* picture = new CPicture(QStringLiteral("discard.svg"), {}, this); // decoration
    picture->setObjectName(QStringLiteral("1498"));
    layout->addWidget(picture, 1, 0, Qt::AlignTop);

    auto* message = new QLabel(labelText(6224, language), this);
    message->setObjectName(QStringLiteral("1543"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setFont(dialogFont(large));
    message->setMinimumWidth(320);
    layout->addWidget(message, 1, 1);

    if (!tried.empty()) {
        QString list = labelText(core::kTextPortsTried, language);
        for (const std::string& line : tried)
            list += QStringLiteral("\n") + QString::fromStdString(line);
        auto* ports = new QLabel(list, this);
        ports->setObjectName(QStringLiteral("1544")); // our own: the ports tried
        ports->setTextFormat(Qt::PlainText);
        ports->setWordWrap(true);
        ports->setTextInteractionFlags(Qt::TextSelectableByMouse); // the fix can be copied
        ports->setMaximumWidth(560);
        layout->addWidget(ports, 2, 0, 1, 2);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* again = new QPushButton(tableText(6226, language), this);
    again->setObjectName(QString::number(kTryAgain));
    again->setDefault(true);
    connect(again, &QPushButton::clicked, this, [this] { done(kTryAgain); });
    buttons->addWidget(again);
    auto* quit = new QPushButton(tableText(6228, language), this);
    quit->setObjectName(QString::number(kQuit));
    quit->setAutoDefault(false);
    connect(quit, &QPushButton::clicked, this, [this] { done(kQuit); });
    buttons->addWidget(quit);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CNoResponseDlg::reject() {
    done(kQuit);
}

int CNoResponseDlg::ask(int language, QWidget* parent, const std::vector<std::string>& tried) {
    CNoResponseDlg dialog(language, parent, tried);
    return dialog.exec();
}

} // namespace quorvex::widgets
