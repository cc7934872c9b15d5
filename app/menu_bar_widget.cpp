#include "app/menu_bar_widget.h"

#include "resources/menus.h"

#include <QAction>
#include <QMenu>

namespace quorvex::widgets {

namespace {

QString qtText(std::string_view text) {
    // The table's "&&" is Qt's literal ampersand too; a single "&" marks the mnemonic.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void fillMenuBar(QMenuBar* bar, int language, const CommandFn& onCommand) {
    bar->clear();
    // The old popups are children of the bar: drop them, or their actions linger.
    qDeleteAll(bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    for (const quorvex::menus::MenuPopup& popup : quorvex::menus::menuBar()) {
        QMenu* menu = bar->addMenu(qtText(quorvex::menus::popupTitle(popup, language)));
        for (const quorvex::menus::MenuItem& item : popup.items) {
            if (item.kind == quorvex::menus::ItemKind::Separator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(qtText(quorvex::menus::itemText(item, language)));
            action->setObjectName(QString::number(item.command));
            action->setData(item.command);
            const int command = item.command;
            QObject::connect(action, &QAction::triggered, bar, [onCommand, command] {
                if (onCommand) onCommand(command);
            });
        }
    }
}

QAction* findMenuAction(QMenuBar* bar, int command) {
    const QString name = QString::number(command);
    for (QAction* action : bar->findChildren<QAction*>(name))
        if (action->data().toInt() == command) return action;
    return nullptr;
}

} // namespace quorvex::widgets
