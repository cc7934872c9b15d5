#include "ui/accessibility.h"

#include "ui/click_text_widget.h"
#include "ui/drop_list_widget.h"
#include "ui/page_button_widget.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"

#include <QAccessibleWidget>
#include <QMenu>
#include <QRegularExpression>

#include <algorithm>

namespace quorvex::widgets {

namespace {

// The entry a drop-down shows, as its text: AT-SPI carries it as the
// control's Text, where a screen reader reads what a combo box shows (Qt's
// value text reaches no one there).
class ShownText : public QAccessibleTextInterface {
public:
    virtual QString shown() const = 0;

    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = shown();
        if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
        start = std::clamp(start, 0, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(shown().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

protected:
    ~ShownText() = default;
};

// The port symbol: a drop-down of pictures on the MSN page (and the flags in
// the settings), a picture everywhere else.
class SymbolAccessible final : public QAccessibleWidget, public ShownText {
public:
    explicit SymbolAccessible(QWidget* w) : QAccessibleWidget(w) {}
    CPortSymbol* symbol() const { return static_cast<CPortSymbol*>(widget()); }

    QString shown() const override { return symbol()->pictureText(); }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface && symbol()->isPicker())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::Role role() const override {
        return symbol()->isPicker() ? QAccessible::ComboBox : QAccessible::Graphic;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (symbol()->isPicker()) {
            s.hasPopup = true;
            s.expandable = true;
            s.expanded = symbol()->menu()->isVisible();
            s.collapsed = !s.expanded;
        } else {
            s.disabled = false; // a picture, not a control that is switched off
        }
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value && symbol()->isPicker()) return symbol()->pictureText();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        if (!symbol()->isPicker()) return {};
        return {showMenuAction(), setFocusAction()};
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() && symbol()->isPicker()) {
            symbol()->openMenuBelow();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// The acceptance page's selector: a drop-down whose value is the entry shown.
class DropListAccessible final : public QAccessibleWidget, public ShownText {
public:
    explicit DropListAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}
    CDropList* list() const { return static_cast<CDropList*>(widget()); }

    QString shown() const override { return list()->faceText(); }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.hasPopup = true;
        s.expandable = true;
        s.expanded = list()->menu()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->menuText(list()->selection());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {showMenuAction(), setFocusAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction()) {
            list()->openMenu();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// A page tab: the current page's tab is the selected one.
class PageTabAccessible final : public QAccessibleWidget {
public:
    explicit PageTabAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTab) {}
    CPageButton* tab() const { return static_cast<CPageButton*>(widget()); }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = tab()->isFront();
        // Only the current tab is a Tab stop; the arrow keys reach the others.
        s.focusable = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return nameText(tab()->shownText());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            tab()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// A text that is a button while it has an action.
class ClickTextAccessible final : public QAccessibleWidget {
public:
    explicit ClickTextAccessible(QWidget* w) : QAccessibleWidget(w) {}
    CClickText* cell() const { return static_cast<CClickText*>(widget()); }

    QAccessible::Role role() const override {
        return cell()->clickable() ? QAccessible::PushButton : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name &&
            (!cell()->clickable() || widget()->accessibleName().isEmpty()))
            return cell()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        if (!cell()->clickable()) return {};
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            cell()->activate();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// A picture: named ones are graphics, the others decoration nobody is told of.
class PictureAccessible final : public QAccessibleWidget {
public:
    explicit PictureAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Graphic) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (static_cast<CPicture*>(widget())->decorative()) s.invisible = true;
        return s;
    }
};

QAccessibleInterface* interfaceFor(const QString& className, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w == nullptr) return nullptr;
    const auto is = [&className](const QMetaObject& meta) {
        return className == QLatin1String(meta.className());
    };
    if (is(CPortSymbol::staticMetaObject)) return new SymbolAccessible(w);
    if (is(CDropList::staticMetaObject)) return new DropListAccessible(w);
    if (is(CPageButton::staticMetaObject)) return new PageTabAccessible(w);
    if (is(CClickText::staticMetaObject)) return new ClickTextAccessible(w);
    if (is(CPicture::staticMetaObject)) return new PictureAccessible(w);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    (void)installed;
}

QString nameText(const QString& shown) {
    QString text = shown;
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    text.replace(QRegularExpression(QStringLiteral("-\\s*\\n\\s*")), QStringLiteral("-"));
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text = text.chopped(1).trimmed();
    return text;
}

QString nameText(int textId, int language) {
    return nameText(tableText(textId, language));
}

QString nameIn(const QString& caption, const QString& where) {
    return caption + QStringLiteral(", ") + where;
}

QString namePattern(int patternId, int language, const QString& first, const QString& second) {
    QString pattern = tableText(patternId, language);
    return second.isNull() ? pattern.arg(first) : pattern.arg(first, second);
}

void announceValue(QWidget* widget, const QString& before, const QString& value) {
    // Over AT-SPI a combo box's value change goes out as a change of its
    // name and of its selection, on which a screen reader reads it again.
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
    QAccessibleTextUpdateEvent text(widget, 0, before, value);
    QAccessible::updateAccessibility(&text);
}

CPicture::CPicture(const QString& picture, QSize size, QWidget* parent) : QLabel(parent) {
    installAccessibleInterfaces();
    setPixmap(picturePixmap(picture, size));
}

} // namespace quorvex::widgets
