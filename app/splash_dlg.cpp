#include "app/splash_dlg.h"

#include "resources/menus.h"
#include "resources/text_table.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvex::widgets {

namespace {

const QString kSplashPicture = QStringLiteral("splash.svg");
const QString kCreditFace = QStringLiteral("credit_button.svg");
const QString kCreditPressed = QStringLiteral("credit_button_pressed.svg");
const QString kArtwork = QStringLiteral("artwork.svg");

constexpr QPoint kPictureAt{8, 7};

// The five pens of the raised frame.
const QColor kBlack{0, 0, 0};
const QColor kWhite{255, 255, 255};
const QColor kLight{223, 223, 223};
const QColor kGrey{191, 191, 191};
const QColor kDark{127, 127, 127};

void centreOnScreen(QWidget* widget) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = widget->frameGeometry();
    area.moveCenter(screen->availableGeometry().center());
    widget->move(area.topLeft());
}

} // namespace

CCreditButton::CCreditButton(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("1052"));
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void CCreditButton::setLanguage(int language) {
    // The picture says "Credit"; so does its name.
    setAccessibleName(tableText(kNameCredit, language));
}

void CCreditButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

QSize CCreditButton::sizeHint() const {
    const QSize size = pictureSize(kCreditFace);
    return size.isValid() ? size : QSize(80, 24);
}

void CCreditButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPicture(painter, rect(), isDown() ? kCreditPressed : kCreditFace);
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(kBlack, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

QSize CSplashDlg::windowSize(bool aboutBox) {
    QSize size = pictureSize(kSplashPicture) + QSize(16, 14);
    if (aboutBox) size.rheight() += CCreditButton().sizeHint().height() + kButtonGap;
    return size;
}

CSplashDlg::CSplashDlg(bool aboutBox, int language, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | (aboutBox ? Qt::Dialog : Qt::SplashScreen)),
      aboutBox_(aboutBox), language_(language) {
    setObjectName(QStringLiteral("CSplashDlg"));
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(aboutBox);
    if (aboutBox_) {
        // What assistive technology calls the window: the menu item that opened it.
        if (const menus::MenuItem* item = menus::findItem(menus::kCmdAbout)) {
            const std::string_view text = menus::itemText(*item, language);
            setAccessibleName(
                nameText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
            // The window list and the compositor call it so too (it shows no title bar).
            setWindowTitle(accessibleName());
        }
        setAccessibleDescription(tableText(57344, language) + QStringLiteral(", ") +
                                 tableText(11, language));
        credit_ = new CCreditButton(this);
        credit_->setLanguage(language);
        const QSize picture = pictureSize(kSplashPicture);
        credit_->move((picture.width() + 16 - credit_->width()) / 2,
                      kPictureAt.y() + picture.height() + kButtonGap);
        connect(credit_, &QAbstractButton::clicked, this, &CSplashDlg::showCredits);
    }
    setFixedSize(windowSize(aboutBox_));
    // The splash stands alone in the middle of the screen; the about box
    // belongs to the main window and is placed over it (by the window system
    // where it places windows itself).
    if (parent == nullptr) centreOnScreen(this);
}

void CSplashDlg::showCredits() {
    CCreditsDlg credits(language_, this);
    credits.exec();
    emit creditsShown();
    accept();
}

void CSplashDlg::mousePressEvent(QMouseEvent* event) {
    if (aboutBox_) {
        event->accept();
        accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CSplashDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kDialogBackground);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPicture(painter, QRectF(kPictureAt, pictureSize(kSplashPicture)), kSplashPicture);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Raised frame, three pixels: light along the top and left, dark along the right and
    // bottom, from the outside in.
    const int r = width() - 1;
    const int b = height() - 1;
    const QColor lights[3] = {kLight, kWhite, kLight};
    const QColor darks[3] = {kBlack, kDark, kGrey};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(lights[i]);
        painter.drawLine(i, i, r - i, i);
        painter.drawLine(i, i, i, b - i);
        painter.setPen(darks[i]);
        painter.drawLine(i, b - i, r - i, b - i);
        painter.drawLine(r - i, i, r - i, b - i);
    }
}

CCreditsDlg::CCreditsDlg(int /*language*/, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CCreditsDlg"));
    setWindowTitle(kAppCaption);
    applyDialogColours(this);
    showFocusOnDefaultButton(this);
    setModal(true);
    const bool large = largeFonts();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 5);

    auto* top = new QHBoxLayout;
    auto* icon = new CPicture(QStringLiteral("quorvex.svg"), QSize(48, 48), this); // decoration
    icon->setObjectName(QStringLiteral("1538"));
    top->addWidget(icon, 0, Qt::AlignTop);
    // Credits are the same in both languages: their ids are used without the offset.
    auto* notice = new QLabel(labelText(text::get(6202, text::kEnglish)), this);
    notice->setObjectName(QStringLiteral("1529"));
    notice->setWordWrap(true);
    notice->setFont(pixelFont(large ? 13 : 11, true));
    top->addWidget(notice, 1);
    layout->addLayout(top);

    auto* lists = new QHBoxLayout;
    lists->setSpacing(16);
    for (int id = 6203; id <= 6205; ++id) {
        auto* block = new QLabel(labelText(text::get(id, text::kEnglish)), this);
        block->setObjectName(QString::number(1530 + (id - 6203)));
        block->setTextFormat(Qt::PlainText);
        block->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        block->setFont(dialogFont(large));
        lists->addWidget(block, 1);
    }
    layout->addLayout(lists);
    layout->addStretch(1);

    auto* bottom = new QHBoxLayout;
    auto* artwork = new CPicture(kArtwork, {}, this); // decoration
    bottom->addWidget(artwork, 0, Qt::AlignBottom);
    bottom->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(ok, 0, Qt::AlignBottom);
    layout->addLayout(bottom);
}

} // namespace quorvex::widgets
