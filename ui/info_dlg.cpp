#include "ui/info_dlg.h"

#include "ui/accessibility.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <QVBoxLayout>
#include <algorithm>

namespace quorvex::widgets {

namespace {
constexpr int kTextWidth = 460;
constexpr int kBelowArtwork = 15;
constexpr int kAboveOk = 5;
} // namespace

QString CInfoDlg::caption(int titleId, int language) {
    return QStringLiteral("OrvaISDN:") + labelText(titleId, language);
}

CInfoDlg::CInfoDlg(int bodyId, int titleId, int language, BeepFn beep, QWidget* parent)
    : QDialog(parent), beep_(std::move(beep)) {
    setObjectName(QStringLiteral("CInfoDlg"));
    setWindowTitle(caption(titleId, language));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    const bool large = largeFonts();

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);

    auto* artwork = new CPicture(QStringLiteral("artwork.svg"), {}, this); // decoration
    layout->addWidget(artwork, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addSpacing(kBelowArtwork);

    body_ = new QLabel(labelText(bodyId, language));
    body_->setObjectName(QStringLiteral("1507"));
    body_->setTextFormat(Qt::PlainText);
    body_->setWordWrap(true);
    body_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    body_->setFont(dialogFont(large));
    body_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    body_->setFixedWidth(kTextWidth);

    // A long text scrolls rather than pushing the dialog off the screen.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(body_);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setBackgroundRole(QPalette::Window);
    const int textHeight = body_->heightForWidth(kTextWidth);
    body_->setFixedHeight(textHeight);
    // At most three fifths of the screen, and never so much that the picture
    // and OK would not fit beside it (a small screen, a large scale).
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int available = screen != nullptr ? screen->availableGeometry().height() : 800;
    const int around = artwork->sizeHint().height() + kBelowArtwork + kAboveOk + 2 * 11 + 30 +
                       kUnknownPanel + kUnknownTitleBar;
    const int limit = std::max(80, std::min(available * 3 / 5, available - around));
    const bool scrolls = textHeight > limit;
    // Only a text that scrolls needs the keyboard (the arrow keys scroll it).
    scroll->setFocusPolicy(scrolls ? Qt::StrongFocus : Qt::NoFocus);
    scroll->setAccessibleName(windowTitle());
    scroll->setFixedSize(kTextWidth +
                             (scrolls ? scroll->verticalScrollBar()->sizeHint().width() : 0),
                         std::min(textHeight, limit));
    layout->addWidget(scroll);
    layout->addSpacing(kAboveOk);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CInfoDlg::showEvent(QShowEvent* event) {
    if (!beeped_ && beep_) beep_();
    beeped_ = true;
    QDialog::showEvent(event);
}

} // namespace quorvex::widgets
