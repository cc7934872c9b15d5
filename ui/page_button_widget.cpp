#include "ui/page_button_widget.h"

#include "ui/qt_ui_widget.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace quorvex::widgets {

namespace {

const QColor kWhite{255, 255, 255};
const QColor kLight{223, 223, 223};
const QColor kMid{175, 175, 175};
const QColor kDark{127, 127, 127};
const QColor kBlack{0, 0, 0};

constexpr int kBackDrop = 3; // a tab behind the current one starts this much lower
constexpr int kCorner = 3;   // cut of the tab's upper corners
constexpr int kTextMargin = 3;
constexpr int kSmallestPixels = 8;

} // namespace

CPageButton::CPageButton(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    setObjectName(QString::number(command()));
    setFocusPolicy(Qt::NoFocus);
}

void CPageButton::setFront(bool front) {
    if (front_ == front) return;
    front_ = front;
    update();
}

void CPageButton::setLargeFonts(bool large) {
    largeFonts_ = large;
    update();
}

QString CPageButton::shownText() const {
    QString caption = text();
    caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return caption;
}

QFont CPageButton::captionFont() const {
    // The button font, narrowed and then made smaller until a long text (German,
    // usually) fits its tab rather than being cut off.
    QFont font = buttonFont(largeFonts_);
    const QString caption = shownText();
    const int room = width() - 2 * kTextMargin;
    const auto fits = [&] { return QFontMetrics(font).horizontalAdvance(caption) <= room; };
    for (int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
        font.setStretch(stretch);
        if (fits()) return font;
    }
    while (!fits() && font.pixelSize() > kSmallestPixels)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QSize CPageButton::sizeHint() const {
    return {60, PageButtonStrip::kHeight};
}

void CPageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), kDialogBackground);

    // The tab's outline: up the left side, across the top with cut corners, down the right.
    const int top = front_ ? 0 : kBackDrop;
    const int bottom = h - 1;
    QPainterPath outline;
    outline.moveTo(0, bottom);
    outline.lineTo(0, top + kCorner);
    outline.lineTo(kCorner, top);
    outline.lineTo(w - 1 - kCorner, top);
    outline.lineTo(w - 1, top + kCorner);
    outline.lineTo(w - 1, bottom);
    painter.fillPath(outline, front_ ? kDialogBackground : kLight);

    painter.setPen(kWhite);
    painter.drawLine(0, bottom, 0, top + kCorner);
    painter.drawLine(0, top + kCorner, kCorner, top);
    painter.drawLine(kCorner, top, w - 1 - kCorner, top);
    painter.setPen(kLight);
    painter.drawLine(1, bottom, 1, top + kCorner);
    painter.drawLine(kCorner, top + 1, w - 2 - kCorner, top + 1);
    painter.setPen(kBlack);
    painter.drawLine(w - 1 - kCorner, top, w - 1, top + kCorner);
    painter.drawLine(w - 1, top + kCorner, w - 1, bottom);
    painter.setPen(kDark);
    painter.drawLine(w - 2, top + kCorner, w - 2, bottom);
    painter.setPen(kMid);
    painter.drawLine(w - 3, top + kCorner + 1, w - 3, bottom);

    // A tab behind the current one sits on the page's top edge; the front one opens into it.
    if (!front_) {
        painter.setPen(kWhite);
        painter.drawLine(0, bottom, w - 1, bottom);
    }

    const QString caption = shownText();
    painter.setFont(captionFont());
    painter.setPen(isEnabled() ? kDialogText : kDark);
    QRect textArea(kTextMargin, top + 2, w - 2 * kTextMargin, bottom - top - 2);
    if (isDown()) textArea.translate(1, 1);
    painter.drawText(textArea, Qt::AlignCenter, caption);
}

PageButtonStrip::PageButtonStrip(int language, int currentIndex, bool largeFonts, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    for (int k = 0; k < kCount; ++k) {
        auto* button = new CPageButton(k, this);
        const auto left = kEdges[static_cast<std::size_t>(k)];
        const auto right = kEdges[static_cast<std::size_t>(k) + 1];
        button->setGeometry(left, 0, right - left, kHeight);
        button->setLargeFonts(largeFonts);
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { emit commandPosted(button->command()); });
        buttons_[static_cast<std::size_t>(k)] = button;
    }
    relabel(language);
    setCurrent(currentIndex);
}

void PageButtonStrip::relabel(int language) {
    for (CPageButton* button : buttons_)
        button->setText(tableText(6000 + 2 * button->index(), language));
}

void PageButtonStrip::setCurrent(int index) {
    current_ = (index >= 0 && index < kCount) ? index : -1;
    for (CPageButton* button : buttons_)
        button->setFront(button->index() == current_);
}

CPageButton* PageButtonStrip::button(int index) const {
    if (index < 0 || index >= kCount) return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

} // namespace quorvex::widgets
