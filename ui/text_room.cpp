#include "ui/text_room.h"

#include "ui/port_symbol_widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QVariant>

#include <algorithm>
#include <map>
#include <vector>

namespace quorvex::widgets {

namespace {

constexpr const char* kKeepRoom = "quorvexRoomWhileHidden";
// Between a button's text and its bevel, so that the two never touch.
constexpr int kButtonTextGap = 2;
// makeRoom gives up after this many steps (a page needs a few dozen).
constexpr int kMostSteps = 600;
constexpr int kMostTries = 4;

QSize atLeastZero(int dx, int dy) {
    return {std::max(0, dx), std::max(0, dy)};
}

QSize labelLacking(const QLabel* label) {
    if (!label->pixmap().isNull() || label->text().trimmed().isEmpty()) return {};
    if (!label->wordWrap())
        return atLeastZero(label->sizeHint().width() - label->width(),
                           label->sizeHint().height() - label->height());
    // Wrapped: its longest word must fit a line (the label's narrowest form
    // has a word on each line), and the lines the height.
    return atLeastZero(label->minimumSizeHint().width() - label->width(),
                       label->heightForWidth(label->width()) - label->height());
}

QSize pushButtonLacking(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features =
        button->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
    const QRect inside =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return atLeastZero(text.width() + 2 * kButtonTextGap - inside.width(),
                       text.height() - inside.height());
}

QSize toolButtonLacking(const QToolButton* button) {
    const int frame =
        2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return atLeastZero(text.width() + frame - button->width(),
                       button->fontMetrics().height() + frame - button->height() - 2);
}

QSize comboLacking(const QComboBox* combo) {
    // A list of the machine's own names (the serial ports' paths) is shown cut
    // short by design, the whole one in its tool tip.
    if (combo->sizeAdjustPolicy() == QComboBox::AdjustToMinimumContentsLengthWithIcon) return {};
    const QFontMetrics fm(combo->font());
    int longest = 0;
    for (int i = 0; i < combo->count(); ++i)
        longest = std::max(longest, fm.horizontalAdvance(combo->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QSize needed = combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                          QSize(longest, fm.height()), combo);
    return atLeastZero(needed.width() - combo->width(), needed.height() - combo->height());
}

// A picture keeps its size; a window or a control with a fixed size too.
bool pinned(const QWidget* w) {
    if (qobject_cast<const CPortSymbol*>(w) != nullptr) return true;
    if (auto* label = qobject_cast<const QLabel*>(w); label != nullptr && !label->pixmap().isNull())
        return true;
    return w->minimumSize() == w->maximumSize();
}

// A widget whose children are placed by the pixel, as the area's are.
bool placesByPixel(const QWidget* w) {
    if (w->layout() != nullptr) return false;
    const QMetaObject* meta = w->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject ||
           qobject_cast<const QGroupBox*>(w) != nullptr;
}

std::vector<QWidget*> childrenOf(QWidget* parent) {
    std::vector<QWidget*> out;
    if (parent->layout() != nullptr) return out;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) out.push_back(child);
    }
    return out;
}

// Shown now, or shown at other times.
bool counts(const QWidget* w, const QWidget* area) {
    for (const QWidget* p = w; p != nullptr && p != area; p = p->parentWidget()) {
        if (p->isHidden() && !p->property(kKeepRoom).toBool()) return false;
    }
    return true;
}

// Every control of area that counts, with its rectangle in area's coordinates.
void controlsOf(QWidget* parent, QPoint offset, QWidget* area,
                std::vector<std::pair<QWidget*, QRect>>& out) {
    for (QWidget* child : childrenOf(parent)) {
        if (!counts(child, area)) continue;
        const QRect at = child->geometry().translated(offset);
        out.emplace_back(child, at);
        if (placesByPixel(child)) controlsOf(child, at.topLeft(), area, out);
    }
}

void grow(QWidget* w, int dx, int dy) {
    const QSize size = w->size() + QSize(dx, dy);
    if (w->minimumSize() == w->maximumSize())
        w->setFixedSize(size);
    else
        w->resize(size);
}

// Moves what stands right of x (parent coordinates) on by d; what spans x
// grows, and so does the control that needs the room.
void spreadAcross(QWidget* parent, int x, int d, const QWidget* needy) {
    for (QWidget* child : childrenOf(parent)) {
        const QRect g = child->geometry();
        const bool needs = child == needy || child->isAncestorOf(needy);
        if (!needs && g.left() >= x) {
            child->move(g.x() + d, g.y());
        } else if (needs || g.left() + g.width() > x) {
            if (!needs && pinned(child)) {
                child->move(g.x() + d * (x - g.left()) / std::max(1, g.width()), g.y());
                continue;
            }
            grow(child, d, 0);
            if (placesByPixel(child)) spreadAcross(child, x - g.left(), d, needy);
        }
    }
}

// Moves what stands below y (parent coordinates) down by d; what spans y
// grows, and so does the control that needs the room (whose bottom is y).
void spreadDown(QWidget* parent, int y, int d, const QWidget* needy) {
    for (QWidget* child : childrenOf(parent)) {
        const QRect g = child->geometry();
        // The row's other controls that are short of height too (the same
        // selector in the next column) grow with it, or each would push the
        // others down in turn.
        const bool rowMate = needy != nullptr && g.top() < y && g.top() + g.height() == y &&
                             roomLacking(child).height() > 0;
        const bool needs =
            needy != nullptr && (child == needy || child->isAncestorOf(needy) || rowMate);
        if (!needs && g.top() >= y) {
            child->move(g.x(), g.y() + d);
        } else if (needs || (g.top() + g.height() > y && !pinned(child))) {
            grow(child, 0, d);
            if (placesByPixel(child)) spreadDown(child, y - g.top(), d, needy);
        }
    }
}

// A group box's title needs the top of the box: its first row of controls
// starts below it.
int titleOverlap(const QGroupBox* box, int* firstRow) {
    if (box->title().isEmpty()) return 0;
    const QRect label = groupTitleRect(box);
    int top = box->height();
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden()) top = std::min(top, child->y());
    }
    *firstRow = top;
    return label.bottom() + 2 - top;
}

} // namespace

QRect groupTitleRect(const QGroupBox* box) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                        box);
}

QSize roomLacking(const QWidget* w) {
    if (const auto* own = dynamic_cast<const TextRoom*>(w)) return own->roomLacking();
    if (auto* label = qobject_cast<const QLabel*>(w)) return labelLacking(label);
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return comboLacking(combo);
    if (auto* box = qobject_cast<const QGroupBox*>(w)) {
        if (box->title().isEmpty()) return {};
        return atLeastZero(box->minimumSizeHint().width() - box->width(), 0);
    }
    auto* button = qobject_cast<const QAbstractButton*>(w);
    if (button == nullptr || button->text().isEmpty()) return {};
    if (auto* push = qobject_cast<const QPushButton*>(w)) return pushButtonLacking(push);
    if (auto* tool = qobject_cast<const QToolButton*>(w)) return toolButtonLacking(tool);
    if (qobject_cast<const QCheckBox*>(w) != nullptr ||
        qobject_cast<const QRadioButton*>(w) != nullptr) {
        return atLeastZero(button->sizeHint().width() - button->width(),
                           button->fontMetrics().height() - button->height());
    }
    return {};
}

QSize reachOf(QWidget* area) {
    std::vector<std::pair<QWidget*, QRect>> all;
    controlsOf(area, QPoint(0, 0), area, all);
    QPoint corner(0, 0);
    for (const auto& [w, at] : all)
        corner = QPoint(std::max(corner.x(), at.x() + at.width()),
                        std::max(corner.y(), at.y() + at.height()));
    return {corner.x(), corner.y()};
}

namespace {

QString textOf(const QWidget* w) {
    if (const auto* own = dynamic_cast<const TextRoom*>(w)) return own->roomText();
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w)) return box->title();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
    return w->accessibleName();
}

void note(std::vector<RoomGiven>* given, const QWidget* w, QSize extra) {
    if (given == nullptr) return;
    const QString id = w->objectName();
    for (RoomGiven& g : *given) {
        if (g.control == id && g.text == textOf(w)) {
            g.extra += extra;
            return;
        }
    }
    given->push_back({id, textOf(w), extra});
}

} // namespace

QSize makeRoom(QWidget* area, std::vector<RoomGiven>* given) {
    const QSize before = reachOf(area);
    // Widths first: how many lines a wrapped text takes depends on them.
    for (bool across : {true, false}) {
        std::map<const QWidget*, int> tries;
        for (int step = 0; step < kMostSteps; ++step) {
            std::vector<std::pair<QWidget*, QRect>> all;
            controlsOf(area, QPoint(0, 0), area, all);
            std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
                return a.second.y() != b.second.y() ? a.second.y() < b.second.y()
                                                    : a.second.x() < b.second.x();
            });
            bool spread = false;
            for (const auto& [w, at] : all) {
                // A control that room does not help (its style wants more than
                // its text) is left as it is after a few tries.
                if (tries[w] >= kMostTries) continue;
                const QSize lack = roomLacking(w);
                if (across && lack.width() > 0) {
                    ++tries[w];
                    note(given, w, QSize(lack.width(), 0));
                    spreadAcross(area, at.x() + at.width() / 2, lack.width(), w);
                    spread = true;
                    break;
                }
                if (across) continue;
                if (lack.height() > 0) {
                    ++tries[w];
                    note(given, w, QSize(0, lack.height()));
                    spreadDown(area, at.y() + at.height(), lack.height(), w);
                    spread = true;
                    break;
                }
                int firstRow = 0;
                auto* box = qobject_cast<QGroupBox*>(w);
                if (const int overlap = box != nullptr ? titleOverlap(box, &firstRow) : 0;
                    overlap > 0) {
                    ++tries[w];
                    note(given, w, QSize(0, overlap));
                    spreadDown(area, at.y() + firstRow, overlap, nullptr);
                    spread = true;
                    break;
                }
            }
            if (!spread) break;
        }
    }
    const QSize after = reachOf(area);
    return atLeastZero(after.width() - before.width(), after.height() - before.height());
}

void keepRoomWhileHidden(QWidget* w) {
    w->setProperty(kKeepRoom, true);
}

QSize screenRoom(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    QSize room = screen->availableGeometry().size();
    // A compositor puts a window below its panel.
    if (screen->availableGeometry() == screen->geometry()) room.rheight() -= kUnknownPanel;
    // Before a window is first shown its frame is not known yet: a title bar
    // and borders then, unless it has none.
    QSize frame = window->frameGeometry().size() - window->size();
    if (frame.height() <= 0 && !window->windowFlags().testFlag(Qt::FramelessWindowHint))
        frame = QSize(2 * kUnknownBorder, kUnknownTitleBar);
    return room - frame.expandedTo(QSize(0, 0));
}

namespace {

// The controls of a dialog placed by the pixel, on a sheet in a scroll area
// that fills a dialog of room's size.
void scrollDialog(QDialog* dialog, QSize room) {
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("sheet"));
    sheet->setFixedSize(dialog->size());
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        const bool shown = !child->isHidden();
        child->setParent(sheet);
        child->setVisible(shown);
    }
    auto* area = new QScrollArea(dialog);
    area->setObjectName(QStringLiteral("sheetScroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(sheet);
    const QSize size = dialog->size().boundedTo(room);
    dialog->setFixedSize(size);
    area->setGeometry(QRect(QPoint(0, 0), size));
    area->show();
    QObject::connect(qApp, &QApplication::focusChanged, area,
                     [area, sheet](QWidget*, QWidget* now) {
                         if (now != nullptr && sheet->isAncestorOf(now))
                             area->ensureWidgetVisible(now, 8, 8);
                     });
}

class ScreenKeeper final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog == nullptr || !dialog->isWindow()) return false;
        const QSize room = screenRoom(dialog);
        if (dialog->width() <= room.width() && dialog->height() <= room.height()) return false;
        if (dialog->minimumSize() != dialog->maximumSize())
            dialog->resize(dialog->size().boundedTo(room).expandedTo(dialog->minimumSize()));
        else if (dialog->layout() == nullptr &&
                 dialog->findChild<QScrollArea*>(QStringLiteral("sheetScroll")) == nullptr)
            scrollDialog(dialog, room);
        return false;
    }
};

} // namespace

void keepDialogsOnScreen() {
    static ScreenKeeper* keeper = [] {
        auto* k = new ScreenKeeper(qApp);
        qApp->installEventFilter(k);
        return k;
    }();
    (void)keeper;
}

void growToTexts(QWidget* window) {
    if (window->layout() != nullptr) return; // the layout sees to it
    const QSize grown = makeRoom(window);
    if (!grown.isNull()) grow(window, grown.width(), grown.height());
}

} // namespace quorvex::widgets
