#include "app/Shortcuts.h"

#include <QAction>

void setStandardShortcut(QAction* action, QKeySequence::StandardKey key, const QKeySequence& fallback)
{
    action->setShortcuts(key);
    if (action->shortcuts().isEmpty())
        action->setShortcut(fallback);
}

void addShortcut(QAction* action, const QKeySequence& keys)
{
    QList<QKeySequence> shortcuts = action->shortcuts();
    if (!shortcuts.contains(keys))
        action->setShortcuts(shortcuts << keys);
}
