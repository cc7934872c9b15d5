#pragma once
// The menu bar every page carries (File, Command, Extras, Help) in one language. Each
// item's action has its command as objectName and data; choosing one calls the command
// function (the page passes page commands through its own check first, the main window
// handles the rest).

#include <QMenuBar>

#include <functional>

namespace quorvex::widgets {

using CommandFn = std::function<void(int command)>;

// Replaces the menus of bar by those of language (0 English, 1 German).
void fillMenuBar(QMenuBar* bar, int language, const CommandFn& onCommand);

// The action of a command in bar, or nullptr.
QAction* findMenuAction(QMenuBar* bar, int command);

} // namespace quorvex::widgets
