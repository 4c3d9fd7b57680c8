#pragma once

// A warning over the window that something the user asked for did not happen, and why. It blocks
// only that window and returns at once; `name` tells it from other boxes. `details`, when given,
// are the particulars a user may pass on in a report, behind the box's "Show Details…".

#include <QString>

class QWidget;

void showNotice(QWidget* window, const QString& name, const QString& title, const QString& text,
                const QString& reason, const QString& details = {});
