#include "ui/drop_list_widget.h"

#include "resources/literal_tables.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QAction>
#include <QFontMetrics>
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
    TextFn text;
    int lines; // the most lines the face breaks an entry into
};

// Indexed by kind; the literal accessors never reach past their tables.
constexpr KindTable kKinds[] = {
    {quorvex::literals::kCallerIdCount, quorvex::literals::callerIdLongText, 2},
    {quorvex::literals::kAcceptanceModeCount, quorvex::literals::acceptanceModeText, 1},
    {quorvex::literals::kRingDelayCount, quorvex::literals::ringDelayText, 1},
};

// The entry on one line, or broken at the blank that makes its longer line
// the shortest (when lines allows two and one is wider than room).
QString brokenText(const QString& text, const QFontMetrics& fm, int room, int lines) {
    if (lines < 2 || fm.horizontalAdvance(text) <= room) return text;
    QString best = text;
    int bestWidth = fm.horizontalAdvance(text);
    for (qsizetype at = text.indexOf(QLatin1Char(' ')); at > 0;
         at = text.indexOf(QLatin1Char(' '), at + 1)) {
        const int width =
            std::max(fm.horizontalAdvance(text.left(at)), fm.horizontalAdvance(text.mid(at + 1)));
        if (width < bestWidth) {
            bestWidth = width;
            best = text.left(at) + QLatin1Char('\n') + text.mid(at + 1);
        }
    }
    return best;
}

// The widest line of a text broken into lines.
int widestLine(const QString& text, const QFontMetrics& fm) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

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
    return menuText(selection_);
}

QString CDropList::menuText(int entry) const {
    return menuText(entry, language_);
}

QString CDropList::menuText(int entry, int language) const {
    return labelText(tableOf(kind_).text(entry, language));
}

QFont CDropList::faceFont() const {
    return pixelFont(largeFonts_ ? 12 : 11);
}

QRect CDropList::faceRect() const {
    const int offset = largeFonts_ ? 3 : 4;
    return {offset, offset, arrowRect().left() - offset - 1, height() - offset - 2};
}

QString CDropList::faceLines() const {
    return brokenText(faceText(), QFontMetrics(faceFont()), faceRect().width(),
                      tableOf(kind_).lines);
}

QString CDropList::roomText() const {
    const QFontMetrics fm(faceFont());
    QString widest;
    for (int language : {0, 1}) {
        for (int entry = 0; entry < count(); ++entry) {
            const QString text = menuText(entry, language);
            if (fm.horizontalAdvance(text) > fm.horizontalAdvance(widest)) widest = text;
        }
    }
    return widest;
}

QSize CDropList::roomLacking() const {
    const QFontMetrics fm(faceFont());
    const QRect face = faceRect();
    // Wide enough for every entry in the lines it may take; then as many lines high
    // as the widest needs there.
    int width = 0;
    for (int language : {0, 1}) {
        for (int entry = 0; entry < count(); ++entry) {
            const QString text = menuText(entry, language);
            width = std::max(width, widestLine(brokenText(text, fm, 0, tableOf(kind_).lines), fm));
        }
    }
    // A pixel more than the advance: laid out, a text may end a fraction beyond it.
    width = std::max(width + 1, face.width());
    int lines = 1;
    for (int language : {0, 1}) {
        for (int entry = 0; entry < count(); ++entry) {
            const QString text =
                brokenText(menuText(entry, language), fm, width, tableOf(kind_).lines);
            lines = std::max(lines, static_cast<int>(text.count(QLatin1Char('\n'))) + 1);
        }
    }
    const int height = lines * fm.lineSpacing();
    return {width - face.width(), std::max(0, height - face.height())};
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
    const QString before = faceText();
    setSelection(entry);
    announceValue(this, before, faceText());
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

    painter.setFont(faceFont());
    painter.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    // At the top, as the face always had it; a face made high enough for two lines
    // shows a one-line entry in its middle.
    const QString lines = faceLines();
    const int spacing = painter.fontMetrics().lineSpacing();
    const int block = (static_cast<int>(lines.count(QLatin1Char('\n'))) + 1) * spacing;
    QRect textArea = faceRect();
    if (textArea.height() - block >= spacing)
        textArea.setTop(textArea.top() + (textArea.height() - block) / 2);
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop, lines);
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
