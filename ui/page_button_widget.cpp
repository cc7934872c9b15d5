#include "ui/page_button_widget.h"

#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <algorithm>

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvex::widgets {

namespace {

const QColor kMid{175, 175, 175};

constexpr int kBackDrop = 3; // a tab behind the current one starts this much lower
constexpr int kCorner = 3;   // cut of the tab's upper corners
constexpr int kTextMargin = 3;
// Between a caption and the tab's outline (its two lines on either side), so
// that the text never touches it.
constexpr int kCaptionGap = 5;

} // namespace

CPageButton::CPageButton(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    installAccessibleInterfaces();
    setObjectName(QString::number(command()));
    setFocusPolicy(Qt::NoFocus);
}

void CPageButton::setFront(bool front) {
    if (front_ == front) return;
    front_ = front;
    // The front tab is the strip's one Tab stop.
    setFocusPolicy(front_ ? Qt::TabFocus : Qt::NoFocus);
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    update();
}

void CPageButton::keyPressEvent(QKeyEvent* event) {
    auto* strip = qobject_cast<PageButtonStrip*>(parentWidget());
    const int key = event->key();
    int target = -1;
    if (key == Qt::Key_Left || key == Qt::Key_Up)
        target = (index_ + PageButtonStrip::kCount - 1) % PageButtonStrip::kCount;
    if (key == Qt::Key_Right || key == Qt::Key_Down)
        target = (index_ + 1) % PageButtonStrip::kCount;
    if (key == Qt::Key_Home) target = 0;
    if (key == Qt::Key_End) target = PageButtonStrip::kCount - 1;
    if (target >= 0 && strip != nullptr) {
        event->accept();
        if (CPageButton* next = strip->button(target)) next->setFocus(Qt::TabFocusReason);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event); // Space
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
    return buttonFont(largeFonts_);
}

int CPageButton::widthFor(const QString& caption) const {
    QString shown = caption;
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return QFontMetrics(captionFont()).horizontalAdvance(shown) + 2 * (kTextMargin + kCaptionGap);
}

QSize CPageButton::sizeHint() const {
    return {60, PageButtonStrip::kHeight};
}

void CPageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QPalette& pal = palette();
    const Bevel bevel = bevelOf(pal);
    const QColor face = pal.color(QPalette::Window);
    // A tab behind the current one is a shade off the page's own colour.
    const QColor behind = isLightPalette(pal) ? bevel.light : pal.color(QPalette::Button);
    painter.fillRect(rect(), face);

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
    painter.fillPath(outline, front_ ? face : behind);

    painter.setPen(bevel.highlight);
    painter.drawLine(0, bottom, 0, top + kCorner);
    painter.drawLine(0, top + kCorner, kCorner, top);
    painter.drawLine(kCorner, top, w - 1 - kCorner, top);
    painter.setPen(bevel.light);
    painter.drawLine(1, bottom, 1, top + kCorner);
    painter.drawLine(kCorner, top + 1, w - 2 - kCorner, top + 1);
    painter.setPen(bevel.shadow);
    painter.drawLine(w - 1 - kCorner, top, w - 1, top + kCorner);
    painter.drawLine(w - 1, top + kCorner, w - 1, bottom);
    painter.setPen(bevel.dark);
    painter.drawLine(w - 2, top + kCorner, w - 2, bottom);
    painter.setPen(isLightPalette(pal) ? kMid : pal.color(QPalette::Mid));
    painter.drawLine(w - 3, top + kCorner + 1, w - 3, bottom);

    // A tab behind the current one sits on the page's top edge; the front one opens into it.
    if (!front_) {
        painter.setPen(bevel.highlight);
        painter.drawLine(0, bottom, w - 1, bottom);
    }

    const QString caption = shownText();
    painter.setFont(captionFont());
    painter.setPen(
        pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    QRect textArea(kTextMargin, top + 2, w - 2 * kTextMargin, bottom - top - 2);
    if (isDown()) textArea.translate(1, 1);
    painter.drawText(textArea, Qt::AlignCenter, caption);
    if (hasFocus()) {
        // Round the caption, as a focused tab shows it anywhere.
        const QRect around = QFontMetrics(painter.font())
                                 .boundingRect(textArea, Qt::AlignCenter, caption)
                                 .adjusted(-2, -1, 2, 1)
                                 .intersected(textArea.adjusted(-1, 0, 1, 0));
        painter.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(around);
    }
}

PageButtonStrip::PageButtonStrip(int language, int currentIndex, bool largeFonts, QWidget* parent)
    : QWidget(parent) {
    for (int k = 0; k < kCount; ++k) {
        auto* button = new CPageButton(k, this);
        button->setLargeFonts(largeFonts);
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { emit commandPosted(button->command()); });
        buttons_[static_cast<std::size_t>(k)] = button;
    }
    placeTabs();
    relabel(language);
    setCurrent(currentIndex);
}

void PageButtonStrip::placeTabs() {
    // Each tab as wide as its template had it, or as its caption needs in
    // either language; what that adds is taken from the tabs with room to
    // spare, in proportion to it, as far as they have it.
    std::array<int, kCount> widths{};
    std::array<int, kCount> spare{};
    int total = 0;
    int spareTotal = 0;
    for (std::size_t k = 0; k < kCount; ++k) {
        const int given = kEdges[k + 1] - kEdges[k];
        int needed = 0;
        for (int language : {0, 1})
            needed = std::max(
                needed, buttons_[k]->widthFor(tableText(6000 + 2 * static_cast<int>(k), language)));
        widths[k] = std::max(given, needed);
        spare[k] = given - std::min(given, needed);
        total += widths[k];
        spareTotal += spare[k];
    }
    const int excess = std::min(total - kWidth, spareTotal);
    if (excess > 0) {
        int taken = 0;
        for (std::size_t k = 0; k < kCount; ++k) {
            const int take = spare[k] * excess / spareTotal;
            widths[k] -= take;
            taken += take;
        }
        // What rounding left over, from the first tabs that still have some.
        for (std::size_t k = 0; k < kCount && taken < excess; ++k) {
            const int more = std::min(excess - taken, spare[k] - spare[k] * excess / spareTotal);
            widths[k] -= more;
            taken += more;
        }
    }
    int left = 0;
    for (std::size_t k = 0; k < kCount; ++k) {
        buttons_[k]->setGeometry(left, 0, widths[k], kHeight);
        left += widths[k];
    }
    setFixedSize(left, kHeight);
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
