#include "maintenance/isdn_info_dlg.h"

#include "core/config_app.h"
#include "ui/accessibility.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace quorvex::widgets {

using namespace quorvex::maintenance;

namespace {

// The item pictures, in the order of the headings.
constexpr const char* kPictures[CIsdnInfoDlg::kItemCount] = {
    "info_status.svg",  "info_cause.svg",        "info_model.svg",      "info_firmware.svg",
    "info_program.svg", "info_at_important.svg", "info_at_changed.svg",
};

// Layout: one framed item per row; the two settings texts get room for wrapping.
constexpr int kWidth = 480;
constexpr int kMargin = 10;
constexpr int kPicture = 32;
constexpr int kItemGap = 6;
constexpr int kHeadingHeight = 16;
constexpr int kValueHeight = 18;
constexpr int kWrappedHeight = 46;
constexpr int kFirstWrapped = 5; // items 6 and 7
constexpr int kHelpSize = 15;
constexpr int kFirstFrameControl = 1515; // the group frames of the first five items

} // namespace

CIsdnInfoDlg::CIsdnInfoDlg(core::CConfigApp& app, QWidget* parent)
    : QDialog(parent), app_(app), info_(app) {
    setObjectName(QStringLiteral("CIsdnInfoDlg"));
    const int language = app_.language;
    setWindowTitle(labelText(kTitle, language));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    setFont(dialogFont(app_.largeFonts));

    QFont headingFont = font();
    headingFont.setBold(true);
    int y = kMargin;
    for (int i = 0; i < kItemCount; ++i) {
        const bool wrapped = i >= kFirstWrapped;
        const int frameHeight = 8 + kHeadingHeight + (wrapped ? kWrappedHeight : kValueHeight) + 6;
        auto* frame = new QFrame(this);
        frame->setObjectName(i < kFirstWrapped ? QString::number(kFirstFrameControl + i)
                                               : QStringLiteral("frame%1").arg(i + 1));
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setGeometry(kMargin, y, kWidth - 2 * kMargin, frameHeight);

        auto* heading = new QLabel(frame);
        heading->setObjectName(QString::number(kFirstHeadingControl + i));
        heading->setTextFormat(Qt::PlainText);
        heading->setFont(headingFont);
        heading->setText(labelText(kFirstHeading + 2 * i, language));
        heading->setGeometry(8, 6, frame->width() - 16 - kPicture - 10, kHeadingHeight);

        auto* value = new QLabel(frame);
        value->setObjectName(QString::number(kInfoFirstValueControl + i));
        value->setTextFormat(Qt::PlainText); // "&" is a character here, never a mnemonic
        value->setWordWrap(wrapped);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setGeometry(20, 8 + kHeadingHeight, frame->width() - 28 - kPicture - 10,
                           wrapped ? kWrappedHeight : kValueHeight);
        values_[static_cast<std::size_t>(i)] = value;

        // The picture sits in the lower right corner of the item, 10 px in;
        // decoration, as the heading says what the item is.
        auto* picture =
            new CPicture(QString::fromLatin1(kPictures[i]), {kPicture, kPicture}, frame);
        picture->setObjectName(QString::number(kFirstPictureControl + i));
        const int py = std::max(2, frameHeight - 10 - kPicture + 6);
        picture->setGeometry(frame->width() - 10 - kPicture, py, kPicture, kPicture);
        y += frameHeight + kItemGap;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry((kWidth - 80) / 2, y + 4, 80, 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* help = new QToolButton(this);
    help->setObjectName(QStringLiteral("57670"));
    help->setText(QStringLiteral("?"));
    help->setFont(pixelFont(10, true));
    help->setFocusPolicy(Qt::TabFocus);
    help->setAccessibleName(PageWidget::helpName(language));
    help->setToolTip(help->accessibleName());
    const int height = y + 4 + 24 + kMargin;
    help->setGeometry(kWidth - 8 - kHelpSize, height - 6 - kHelpSize, kHelpSize, kHelpSize);
    connect(help, &QToolButton::clicked, this, [this] {
        CInfoDlg dlg(kHelpBody, kTitle, app_.language, beepFor(app_.soundOn), this);
        dlg.exec();
    });
    setFixedSize(kWidth, height);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("infoTimer"));
    timer_->setInterval(kInfoTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &CIsdnInfoDlg::tick);

    info_.open();
    fill();
    growToTexts(this);
}

CIsdnInfoDlg::~CIsdnInfoDlg() = default;

void CIsdnInfoDlg::fill() {
    for (int i = 0; i < kItemCount; ++i) {
        values_[static_cast<std::size_t>(i)]->setText(
            QString::fromStdString(info_.text(kInfoFirstValueControl + i, app_.language)));
    }
}

void CIsdnInfoDlg::tick() {
    info_.timerTick();
    fill();
}

void CIsdnInfoDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    timer_->start();
}

void CIsdnInfoDlg::hideEvent(QHideEvent* event) {
    timer_->stop();
    QDialog::hideEvent(event);
}

void runIsdnInfoDialog(core::CConfigApp& app, QWidget* parent) {
    CIsdnInfoDlg dlg(app, parent);
    dlg.exec();
}

} // namespace quorvex::widgets
