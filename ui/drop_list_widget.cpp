#include "ui/drop_list_widget.h"

#include "resources/literal_tables.h"
#include "ui/access_widget.h"
#include "ui/qt_ui_widget.h"
#include "ui/theme_widget.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <string_view>

namespace quorvex::widgets {

namespace {

using TextFn = std::string_view (*)(int, int);

struct KindTable {
    int count;
    TextFn face;
    TextFn menu;
};

// Indexed by kind; the literal accessors never reach past their tables.
constexpr KindTable kKinds[] = {
    {quorvex::literals::kCallerIdCount, quorvex::literals::callerIdShortText,
     quorvex::literals::callerIdLongText},
    {quorvex::literals::kAcceptanceModeCount, quorvex::literals::acceptanceModeText,
     quorvex::literals::acceptanceModeText},
    {quorvex::literals::kRingDelayCount, quorvex::literals::ringDelayText,
     quorvex::literals::ringDelayText},
};

const KindTable& tableOf(int kind) {
    return kKinds[kind];
}

int normalisedKind(int kind) {
    return (kind >= CDropList::CallerId && kind <= CDropList::RingDelay) ? kind
                                                                         : CDropList::CallerId;
}

} // namespace

CDropList::CDropList(int kind, int id, int selection, int language, bool largeFonts,
                     QWidget* parent)
    : QWidget(parent), kind_(normalisedKind(kind)), id_(id), language_(language == 1 ? 1 : 0),
      largeFonts_(largeFonts) {
    installAccessibleInterfaces();
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    menu_ = new QMenu(this);
    setSelection(selection);
    rebuildMenu();
}

int CDropList::count() const {
    return tableOf(kind_).count;
}

void CDropList::setSelection(int selection) {
    selection_ = (selection >= 0 && selection < count()) ? selection : 0;
    for (QAction* action : menu_->actions())
        action->setChecked(action->data().toInt() == kFirstCommand + selection_);
    update();
}

QString CDropList::faceText() const {
    return labelText(tableOf(kind_).face(selection_, language_));
}

QString CDropList::menuText(int entry) const {
    return labelText(tableOf(kind_).menu(entry, language_));
}

void CDropList::setLanguage(int language) {
    language_ = language == 1 ? 1 : 0;
    rebuildMenu();
    update();
}

void CDropList::rebuildMenu() {
    menu_->clear();
    for (int entry = 0; entry < count(); ++entry) {
        QString caption = menuText(entry);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&")); // no mnemonics in entries
        QAction* action = menu_->addAction(caption);
        action->setObjectName(QString::number(kFirstCommand + entry));
        action->setData(kFirstCommand + entry);
        action->setCheckable(true);
        action->setChecked(entry == selection_);
        connect(action, &QAction::triggered, this, [this, entry] { pick(entry); });
    }
}

void CDropList::pick(int entry) {
    setSelection(entry);
    announceValue(this, menuText(selection_));
    emit selectionChanged(id_);
}

QRect CDropList::arrowRect() const {
    return QRect(QPoint(width() - 15, 2), QPoint(width() - 3, height() - 3));
}

void CDropList::openMenu() {
    arrowDown_ = true;
    repaint();
    menu_->exec(mapToGlobal(QPoint(0, height())));
    arrowDown_ = false;
    update();
}

QSize CDropList::sizeHint() const {
    return {kind_ == CallerId ? 130 : 90, 20};
}

void CDropList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && arrowRect().contains(event->position().toPoint())) {
        event->accept();
        openMenu();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CDropList::keyPressEvent(QKeyEvent* event) {
    // The keyboard way into the menu, as with any drop-down list.
    const bool altDown =
        event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier) != 0;
    if (event->key() == Qt::Key_F4 || event->key() == Qt::Key_Space || altDown) {
        event->accept();
        openMenu();
        return;
    }
    // Up and Down step through the entries, as in any drop-down list.
    const int step = event->key() == Qt::Key_Up ? -1 : event->key() == Qt::Key_Down ? 1 : 0;
    if (step != 0) {
        event->accept();
        const int entry = std::clamp(selection_ + step, 0, count() - 1);
        if (entry != selection_) pick(entry);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDropList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QPalette& pal = palette();
    const Bevel bevel = bevelOf(pal);
    painter.fillRect(rect(), pal.color(QPalette::Base));

    // Sunken field border.
    painter.setPen(bevel.dark);
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(0, 0, 0, h - 1);
    painter.setPen(bevel.shadow);
    painter.drawLine(1, 1, w - 2, 1);
    painter.drawLine(1, 1, 1, h - 2);
    painter.setPen(bevel.highlight);
    painter.drawLine(0, h - 1, w - 1, h - 1);
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.setPen(bevel.light);
    painter.drawLine(1, h - 2, w - 2, h - 2);
    painter.drawLine(w - 2, 1, w - 2, h - 2);

    const int offset = largeFonts_ ? 3 : 4;
    painter.setFont(pixelFont(largeFonts_ ? 12 : 11));
    painter.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    const QRect textArea(offset, offset, arrowRect().left() - offset - 1, h - offset - 2);
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, faceText());
    if (hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(QRect(2, 2, arrowRect().left() - 4, h - 5));
    }

    // The arrow button, raised, or pressed while its menu is open.
    const QRect button = arrowRect();
    painter.fillRect(button, pal.color(QPalette::Button));
    painter.setPen(arrowDown_ ? bevel.dark : bevel.highlight);
    painter.drawLine(button.topLeft(), button.topRight());
    painter.drawLine(button.topLeft(), button.bottomLeft());
    painter.setPen(arrowDown_ ? bevel.highlight : bevel.shadow);
    painter.drawLine(button.bottomLeft(), button.bottomRight());
    painter.drawLine(button.topRight(), button.bottomRight());
    const QSize size = pictureSize(QStringLiteral("arrow.svg"));
    QPoint at = button.center() - QPoint(size.width() / 2, size.height() / 2) + QPoint(1, 1);
    if (arrowDown_) at += QPoint(1, 1);
    drawArrow(painter, QRectF(at, size), pal.color(QPalette::ButtonText));
}

} // namespace quorvex::widgets
