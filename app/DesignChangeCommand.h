#pragma once

// One step in the history of a design: the window before and after it and, for a new or opened
// design, the document's file before and after. Undo shows the one, redo the other. Changes
// from one control with nothing between them (a run of stepper clicks, a slider drag) merge into
// one step; a run that comes back to where it began leaves no step at all.

#include "app/WindowState.h"

#include <QString>
#include <QUndoCommand>

#include <functional>
#include <optional>

struct FileSwitch {
    QString before;
    QString after;
};

class DesignChangeCommand : public QUndoCommand
{
public:
    // Shows a window state and, when the step changes the file, the file it had then.
    using Show = std::function<void(const WindowState& window, const std::optional<QString>& filePath)>;

    // A change that is already made: the history's first redo of it, as it takes it, has
    // nothing to do. `source` is the control that made it, null for a step that never merges;
    // `run` tells one run of that control's changes from the next.
    DesignChangeCommand(const QString& text, WindowState before, WindowState after, Show show,
                        const void* source = nullptr, quint64 run = 0);
    // The same, for a step that also changes the document's file.
    DesignChangeCommand(const QString& text, WindowState before, WindowState after, FileSwitch files, Show show);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    WindowState m_before;
    WindowState m_after;
    std::optional<FileSwitch> m_files;
    Show m_show;
    const void* m_source = nullptr;
    quint64 m_run = 0;
    bool m_alreadyDone = true;
};
