// What a screen reader and a keyboard user meet in a window: every control
// as Qt's accessibility interfaces present it (the tree assistive technology
// reads over AT-SPI), and where Tab really goes when it is pressed.
#pragma once

#include "ui/drop_list_widget.h"
#include "ui/page_button_widget.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWidget>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace a11y {

// Roles a user operates. A focusable object of any other role counts too.
inline bool operableRole(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

struct Control {
    QWidget* widget = nullptr; // the widget, or the one the object lives in
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    bool enabled = true;
    std::string describe() const {
        return (widget != nullptr ? widget->metaObject()->className() : "?") + std::string(" '") +
               (widget != nullptr ? widget->objectName().toStdString() : "") + "' role " +
               std::to_string(role) + " name \"" + name.toStdString() + "\"";
    }
};

inline QWidget* widgetOf(QAccessibleInterface* iface) {
    for (QAccessibleInterface* i = iface; i != nullptr; i = i->parent()) {
        if (auto* w = qobject_cast<QWidget*>(i->object())) return w;
    }
    return nullptr;
}

inline void collect(QAccessibleInterface* iface, std::vector<Control>& out, int depth = 0) {
    if (iface == nullptr || !iface->isValid() || depth > 40) return;
    const QAccessible::State state = iface->state();
    if (state.invisible) return;
    const QAccessible::Role role = iface->role();
    if (role == QAccessible::ScrollBar || role == QAccessible::MenuBar) return;
    QWidget* widget = widgetOf(iface);
    // A list or a text that only shows (selectable by the mouse at most) is no control.
    const bool takesFocus = state.focusable && widget != nullptr &&
                            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
    if (depth > 0 && (operableRole(role) || takesFocus))
        out.push_back({widget, role, iface->text(QAccessible::Name), !state.disabled});
    for (int i = 0; i < iface->childCount(); ++i)
        collect(iface->child(i), out, depth + 1);
}

// Every operable control in root as assistive technology sees it.
inline std::vector<Control> controls(QWidget* root) {
    std::vector<Control> out;
    collect(QAccessible::queryAccessibleInterface(root), out);
    return out;
}

// Things that take a mouse click but that assistive technology cannot see as
// a control: a picture picker, or a pointing-hand cursor over something with
// no operable role.
inline std::vector<QWidget*> hiddenClickables(QWidget* root) {
    std::vector<QWidget*> out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        auto* symbol = qobject_cast<quorvex::widgets::CPortSymbol*>(w);
        const bool picker = symbol != nullptr && symbol->isPicker();
        const bool hand =
            w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::PointingHandCursor;
        if (!picker && !hand) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (iface == nullptr || !operableRole(iface->role())) out.push_back(w);
    }
    return out;
}

inline bool focusableByTab(QWidget* w, QWidget* root) {
    return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0 &&
           (w == root || root->isAncestorOf(w)) && w->focusProxy() == nullptr;
}

// Presses Tab from the first focusable widget of root until the focus comes
// back, leaves root or stops moving, and returns every widget it reached.
// Arrow keys are pressed too from page tabs, which take them as a group.
inline std::set<QWidget*> tabReached(QWidget* root, std::vector<QWidget*>* order = nullptr) {
    std::set<QWidget*> reached;
    QWidget* window = root->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QWidget* start = nullptr;
    for (QWidget* w = root->nextInFocusChain(); w != root; w = w->nextInFocusChain()) {
        if (focusableByTab(w, root)) {
            start = w;
            break;
        }
    }
    if (start == nullptr) return reached;
    start->setFocus(Qt::TabFocusReason);
    QWidget* at = QApplication::focusWidget();
    const int limit = 4 * static_cast<int>(root->findChildren<QWidget*>().size()) + 20;
    for (int step = 0; step < limit && at != nullptr; ++step) {
        if (!reached.insert(at).second) break;
        if (order != nullptr) order->push_back(at);
        QTest::keyClick(at, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        if (next == nullptr || (next != root && !root->isAncestorOf(next))) break;
        at = next;
    }
    // Page tabs and a group of radio buttons are one stop; the arrow keys move
    // within the group (a radio button is chosen as it is reached).
    std::vector<QWidget*> tabs;
    for (QWidget* w : reached) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (iface != nullptr &&
            (iface->role() == QAccessible::PageTab || iface->role() == QAccessible::RadioButton))
            tabs.push_back(w);
    }
    for (QWidget* tab : tabs) {
        tab->setFocus(Qt::TabFocusReason);
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left}) {
            for (int i = 0; i < 12; ++i) {
                QTest::keyClick(QApplication::focusWidget(), key);
                if (QWidget* w = QApplication::focusWidget()) reached.insert(w);
            }
        }
    }
    return reached;
}

// Whether the focus shows to a keyboard user (who has pressed Tab, and whose
// styles may show the focus only then): the widget and its surroundings drawn
// with and without the focus differ.
inline bool focusShows(QWidget* w) {
    QWidget* window = w->window();
    window->setAttribute(Qt::WA_KeyboardFocusChange, true);
    const QRect area =
        QRect(w->mapTo(window, QPoint(0, 0)), w->size()).adjusted(-3, -3, 3, 3) & window->rect();
    w->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    const QImage focused = window->grab(area).toImage();
    w->clearFocus();
    QCoreApplication::processEvents();
    const QImage unfocused = window->grab(area).toImage();
    return focused != unfocused;
}

// What one window offers: its controls and what is wrong with them.
struct Findings {
    int controls = 0;
    std::vector<std::string> unnamed;
    std::vector<std::string> ambiguous;
    std::vector<std::string> unreachable;
    std::vector<std::string> hidden;
    std::vector<std::string> pictures; // shown to assistive technology without a name
    std::vector<std::string> focusHidden;
    bool clean() const {
        return unnamed.empty() && ambiguous.empty() && unreachable.empty() && hidden.empty() &&
               pictures.empty() && focusHidden.empty();
    }
    std::string summary() const {
        return std::to_string(controls) + " controls, " + std::to_string(unnamed.size()) +
               " unnamed, " + std::to_string(ambiguous.size()) + " ambiguous, " +
               std::to_string(unreachable.size()) + " not reached by Tab, " +
               std::to_string(hidden.size()) + " clickable but not a control, " +
               std::to_string(pictures.size()) + " unnamed pictures, " +
               std::to_string(focusHidden.size()) + " without a visible focus";
    }
    std::string details() const {
        std::string text;
        for (const auto* list :
             {&unnamed, &ambiguous, &unreachable, &hidden, &pictures, &focusHidden}) {
            for (const std::string& line : *list)
                text += "\n  " + line;
        }
        return text;
    }
};

inline Findings examine(QWidget* root, bool checkFocus = true) {
    Findings f;
    const std::vector<Control> all = controls(root);
    f.controls = static_cast<int>(all.size());
    std::map<std::pair<int, QString>, std::vector<const Control*>> byName;
    for (const Control& c : all) {
        if (c.name.trimmed().isEmpty())
            f.unnamed.push_back("unnamed: " + c.describe());
        else
            byName[{c.role, c.name}].push_back(&c);
    }
    for (const auto& [key, list] : byName) {
        if (list.size() < 2) continue;
        for (const Control* c : list)
            f.ambiguous.push_back("same role and name: " + c->describe());
    }
    const std::set<QWidget*> reached = tabReached(root);
    for (const Control& c : all) {
        if (!c.enabled || c.widget == nullptr) continue;
        if (reached.count(c.widget) == 0) f.unreachable.push_back("no Tab: " + c.describe());
    }
    for (QWidget* w : reached) {
        if (checkFocus && !focusShows(w)) {
            f.focusHidden.push_back(std::string("focus not shown: ") +
                                    w->metaObject()->className() + " '" +
                                    w->objectName().toStdString() + "'");
        }
    }
    for (QWidget* w : hiddenClickables(root)) {
        f.hidden.push_back(std::string("clickable, no control: ") + w->metaObject()->className() +
                           " '" + w->objectName().toStdString() + "'");
    }
    // A picture assistive technology is shown carries a text alternative;
    // decoration is hidden from it.
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (iface == nullptr || iface->state().invisible) continue;
        auto* label = qobject_cast<QLabel*>(w);
        const bool picture = iface->role() == QAccessible::Graphic ||
                             (label != nullptr && !label->pixmap().isNull());
        if (picture && iface->text(QAccessible::Name).trimmed().isEmpty()) {
            f.pictures.push_back(std::string("picture without a name: ") +
                                 w->metaObject()->className() + " '" +
                                 w->objectName().toStdString() + "'");
        }
    }
    return f;
}

// ---- contrast ----

// The text a widget shows, if it shows one (pictures and empty fields do not).
inline QString shownText(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->pixmap().isNull() ? label->text() : QString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
    if (auto* drop = qobject_cast<quorvex::widgets::CDropList*>(w)) return drop->faceText();
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        QString all;
        for (int i = 0; i < list->count(); ++i)
            all += list->item(i)->text();
        return all;
    }
    return {};
}

// Takes the widget's text away (signals blocked) and gives back a function
// that puts it back.
inline std::function<void()> withoutText(QWidget* w) {
    const QSignalBlocker block(w);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const QString text = label->text();
        label->setText(QString());
        return [label, text] {
            const QSignalBlocker b(label);
            label->setText(text);
        };
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QString text = button->text();
        button->setText(QString());
        return [button, text] {
            const QSignalBlocker b(button);
            button->setText(text);
        };
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const QString text = edit->text();
        edit->setText(QString());
        return [edit, text] {
            const QSignalBlocker b(edit);
            edit->setText(text);
        };
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const int index = combo->currentIndex();
        const QString text = combo->itemText(index);
        combo->setItemText(index, QString());
        return [combo, index, text] {
            const QSignalBlocker b(combo);
            combo->setItemText(index, text);
        };
    }
    if (auto* box = qobject_cast<QGroupBox*>(w)) {
        const QString text = box->title();
        box->setTitle(QString());
        return [box, text] { box->setTitle(text); };
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
            list->item(i)->setText(QString());
        }
        return [list, texts] {
            for (int i = 0; i < list->count() && i < texts.size(); ++i)
                list->item(i)->setText(texts[i]);
        };
    }
    return {};
}

// The contrast of a text field whose text cannot be taken away (the drop
// list's face): its strongest pixel against the colour most of the field has.
inline double fieldContrast(const QImage& drawn, const QRect& field) {
    std::map<QRgb, int> counts;
    for (int y = field.top(); y <= field.bottom(); ++y) {
        for (int x = field.left(); x <= field.right(); ++x)
            ++counts[drawn.pixel(x, y)];
    }
    QRgb background = 0;
    int most = -1;
    for (const auto& [colour, n] : counts) {
        if (n > most) background = colour, most = n;
    }
    double best = 0;
    for (const auto& [colour, n] : counts)
        best = std::max(best, quorvex::widgets::contrastRatio(QColor(colour), QColor(background)));
    return best;
}

struct Contrast {
    QWidget* widget;
    QString text;
    double ratio;
    std::string describe() const {
        return std::string(widget->metaObject()->className()) + " '" +
               widget->objectName().toStdString() + "' \"" + text.left(40).toStdString() +
               "\" contrast " + std::to_string(ratio);
    }
};

// The window's area drawn three times as large (as on a screen of that many
// dots per pixel): thin strokes ("" in a small font) then have pixels of their
// full colour, not only pixels blended at their edges.
inline QImage drawnLarge(QWidget* window, const QRect& area) {
    constexpr int kScale = 3;
    QImage image(area.size() * kScale, QImage::Format_RGB32);
    image.setDevicePixelRatio(kScale);
    image.fill(Qt::black);
    window->render(&image, QPoint(), QRegion(area));
    return image;
}

// The contrast of every text root shows, as drawn: the window is drawn once as
// it is and once without the widget's text; where the two differ is text, and
// the strongest of those pixels against what is behind it is the text's
// contrast.
// As the user looks at it: the active window, or one behind another (which
// styles draw in the palette's inactive colours).
inline std::vector<Contrast> contrasts(QWidget* root, bool active = true) {
    std::vector<Contrast> out;
    QWidget* window = root->window();
    QWidget inFront;
    if (active) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
    } else {
        inFront.show();
        QApplication::setActiveWindow(&inFront);
    }
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled()) continue;
        const QString text = shownText(w);
        if (text.trimmed().isEmpty()) continue;
        const QRect area = QRect(w->mapTo(window, QPoint(0, 0)), w->size()) & window->rect();
        if (area.isEmpty()) continue;
        const QImage drawn = drawnLarge(window, area);
        if (auto* drop = qobject_cast<quorvex::widgets::CDropList*>(w)) {
            const int scale = static_cast<int>(drawn.devicePixelRatio());
            const QRect face(QPoint(3, 3) * scale,
                             QPoint(drop->arrowRect().left() - 2, drop->height() - 3) * scale);
            out.push_back({w, text, fieldContrast(drawn, face)});
            continue;
        }
        const std::function<void()> restore = withoutText(w);
        const QImage blank = drawnLarge(window, area);
        if (restore) restore();
        // Child widgets with a text are texts of their own.
        QRegion own(QRect(QPoint(0, 0), area.size()));
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && !shownText(child).isEmpty()) own -= child->geometry();
        }
        const int scale = static_cast<int>(drawn.devicePixelRatio());
        double best = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (drawn.pixel(x, y) == blank.pixel(x, y) ||
                    !own.contains(QPoint(x / scale, y / scale)))
                    continue;
                best = std::max(best, quorvex::widgets::contrastRatio(QColor(drawn.pixel(x, y)),
                                                                      QColor(blank.pixel(x, y))));
            }
        }
        out.push_back({w, text, best});
    }
    return out;
}

// ---- texts shown whole ----

// Where each text of a window is drawn, measured as its style lays it out
// (not as the program made room for it): the rectangle the text is given and
// the rectangle it takes, in the widget's coordinates.
struct Placed {
    QWidget* widget;
    QString text;
    QRect given;
    QRect takes;
};

inline QRect textTakes(const QFontMetrics& fm, const QRect& given, int flags, const QString& text) {
    return fm.boundingRect(given, flags, text);
}

inline void placeLabel(QLabel* label, std::vector<Placed>& out) {
    if (!label->pixmap().isNull() || label->text().trimmed().isEmpty()) return;
    QRect given = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                 -label->margin());
    // A framed label indents its text by half an "x" on its aligned side.
    const QFontMetrics fm = label->fontMetrics();
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0) indent = fm.horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) {
        const Qt::Alignment a = label->alignment();
        if (a & Qt::AlignLeft) given.setLeft(given.left() + indent);
        if (a & Qt::AlignRight) given.setRight(given.right() - indent);
    }
    const int flags =
        static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    out.push_back({label, label->text(), given, textTakes(fm, given, flags, label->text())});
}

inline void placeButton(QAbstractButton* button, std::vector<Placed>& out) {
    if (button->text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox*>(button) != nullptr) element = QStyle::SE_CheckBoxContents;
    if (qobject_cast<QRadioButton*>(button) != nullptr) element = QStyle::SE_RadioButtonContents;
    QRect given = button->style()->subElementRect(element, &option, button);
    if (qobject_cast<QPushButton*>(button) == nullptr && element == QStyle::SE_PushButtonContents)
        given = button->rect().adjusted(1, 1, -1, -1); // a tool button: inside its frame
    const int align = element == QStyle::SE_PushButtonContents ? Qt::AlignCenter
                                                               : Qt::AlignLeft | Qt::AlignVCenter;
    const QRect takes =
        textTakes(button->fontMetrics(), given, align | Qt::TextShowMnemonic, button->text());
    out.push_back({button, button->text(), given, takes});
}

// The drop list with every entry it can show, in turn.
inline void placeDropList(quorvex::widgets::CDropList* drop, std::vector<Placed>& out) {
    const int selection = drop->selection();
    const QFontMetrics fm(drop->faceFont());
    for (int entry = 0; entry < drop->count(); ++entry) {
        drop->setSelection(entry);
        const QString lines = drop->faceLines();
        const QRect given = drop->faceRect();
        out.push_back(
            {drop, lines, given, textTakes(fm, given, Qt::AlignLeft | Qt::AlignTop, lines)});
    }
    drop->setSelection(selection);
}

inline void placeCombo(QComboBox* combo, std::vector<Placed>& out) {
    // The serial ports' paths: shown cut short by design, whole in the tool tip.
    if (combo->sizeAdjustPolicy() == QComboBox::AdjustToMinimumContentsLengthWithIcon) return;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect given = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        out.push_back(
            {combo, text, given,
             textTakes(combo->fontMetrics(), given, Qt::AlignLeft | Qt::AlignVCenter, text)});
    }
}

inline void placeGroupTitle(QGroupBox* box, std::vector<Placed>& out) {
    if (box->title().isEmpty()) return;
    const QRect label = quorvex::widgets::groupTitleRect(box);
    const QRect takes =
        textTakes(box->fontMetrics(), label, Qt::AlignLeft | Qt::AlignVCenter, box->title());
    out.push_back({box, box->title(), box->rect(), takes});
}

// A page tab: its caption in the strip's one font, clear of the tab's outline
// (two lines on either side) by a few pixels.
inline constexpr int kTabClearance = 4;
inline void placeTab(quorvex::widgets::CPageButton* tab, std::vector<Placed>& out) {
    const QString text = tab->shownText();
    const QFontMetrics fm(tab->captionFont());
    const QRect given = tab->rect().adjusted(2 + kTabClearance, 3, -(3 + kTabClearance), 0);
    out.push_back({tab, text, given, textTakes(fm, given, Qt::AlignCenter, text)});
}

inline std::vector<Placed> placedTexts(QWidget* root) {
    std::vector<Placed> out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (auto* drop = qobject_cast<quorvex::widgets::CDropList*>(w)) {
            placeDropList(drop, out);
        } else if (auto* tab = qobject_cast<quorvex::widgets::CPageButton*>(w)) {
            placeTab(tab, out);
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            placeLabel(label, out);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            placeButton(button, out);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            placeCombo(combo, out);
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            placeGroupTitle(box, out);
        }
    }
    return out;
}

// Whether above is drawn over w: a later sibling of w or of one of its
// ancestors, or a child of w.
inline bool drawnOver(QWidget* above, QWidget* w) {
    if (w->isAncestorOf(above)) return true;
    for (QWidget* a = above; a != nullptr; a = a->parentWidget()) {
        QWidget* parent = a->parentWidget();
        if (parent == nullptr || !parent->isAncestorOf(w)) continue;
        QWidget* branch = w;
        while (branch->parentWidget() != parent)
            branch = branch->parentWidget();
        const QObjectList& order = parent->children();
        return order.indexOf(a) > order.indexOf(branch);
    }
    return false;
}

// Whether a widget draws anything another text could hide behind (a plain
// container draws nothing).
inline bool drawsSomething(QWidget* w) {
    return w->metaObject() != &QWidget::staticMetaObject || w->autoFillBackground();
}

// Every text of root that is not shown whole: wider or higher than the room
// its control gives it, reaching out of the window, or covered by a control
// drawn over it. Each line says what and by how much.
inline std::vector<std::string> cutTexts(QWidget* root) {
    std::vector<std::string> cut;
    QWidget* window = root->window();
    const QRect windowRect = window->rect();
    std::vector<QWidget*> drawn;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisible() && drawsSomething(w)) drawn.push_back(w);
    for (const Placed& p : placedTexts(root)) {
        const std::string what = std::string(p.widget->metaObject()->className()) + " '" +
                                 p.widget->objectName().toStdString() + "' \"" +
                                 p.text.simplified().toStdString() + "\"";
        const int wider = p.takes.width() - p.given.width();
        const int higher = p.takes.height() - p.given.height();
        if (wider > 0 || higher > 0) {
            cut.push_back(what + " needs " + std::to_string(p.takes.width()) + " x " +
                          std::to_string(p.takes.height()) + " px, has " +
                          std::to_string(p.given.width()) + " x " +
                          std::to_string(p.given.height()));
            continue;
        }
        const QRect inWindow(p.widget->mapTo(window, p.takes.topLeft()), p.takes.size());
        if (!windowRect.contains(inWindow)) {
            cut.push_back(what + " reaches out of the window");
            continue;
        }
        for (QWidget* other : drawn) {
            if (other == p.widget || other->isAncestorOf(p.widget) || !drawnOver(other, p.widget))
                continue;
            const QRect over(other->mapTo(window, QPoint(0, 0)), other->size());
            if (over.intersects(inWindow)) {
                cut.push_back(what + " is covered by " + other->metaObject()->className() + " '" +
                              other->objectName().toStdString() + "'");
                break;
            }
        }
    }
    return cut;
}

} // namespace a11y
