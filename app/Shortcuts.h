#pragma once

// The keys of the menus' commands.

#include <QKeySequence>

class QAction;

// A standard command's keys. Some platforms bind none to Save As (Windows, X11 without a
// desktop) or to Quit (Windows): then the keys that the desktops that have one use.
void setStandardShortcut(QAction* action, QKeySequence::StandardKey key, const QKeySequence& fallback);

// Keys that users of other drawing programs reach for, beside the platform's own.
void addShortcut(QAction* action, const QKeySequence& keys);
