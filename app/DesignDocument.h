#pragma once

// The design as a document: the file it was opened from or saved to, the history of its
// changes, and whether it has changed since it was started, opened or saved. The window's title
// shows the file's name ("Untitled" without one), with the modified mark when it has changed.
// The history keeps the last kHistoryLimit steps: each holds the window twice, and a long
// session would otherwise grow without end.

#include "app/DesignChangeCommand.h"
#include "app/WindowState.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <optional>

class QWidget;

class DesignDocument : public QObject
{
    Q_OBJECT

public:
    using Capture = std::function<WindowState()>;
    using Restore = std::function<void(const WindowState&)>;

    // `capture` reads the window as it stands; `restore` puts a captured state back.
    DesignDocument(QWidget* window, Capture capture, Restore restore, QObject* parent = nullptr);

    static constexpr int kHistoryLimit = 1000;

    QUndoStack& history() { return *m_history; }
    QString filePath() const { return m_filePath; }
    // Not the design it was started, opened or saved as, with a file or without: it asks
    // before it goes.
    bool hasUnsavedChanges() const;

    // The window as it stands is where the history begins: nothing to undo, no file.
    void begin();
    // Takes what a user's action changed since the last step as one step: a control changes
    // before it tells its action, so the window as the last step left it is the one before this
    // change. A number typed and not yet committed belongs to the step that draws it. Changes
    // from one `source` in a row make one step; a null source never merges.
    void record(const QString& text, const QObject* source = nullptr);
    // While one lives, the changes that actions make are not recorded one by one: the command
    // that runs them takes them as one step of its own.
    class Pause
    {
    public:
        explicit Pause(DesignDocument& document) : m_document(document) { ++m_document.m_pauses; }
        ~Pause() { --m_document.m_pauses; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        DesignDocument& m_document;
    };

    // The window as it stands is the one the next step starts from, without a step of its own:
    // for a change that is no change of the design, such as which curve is selected.
    void takeWindowAsShown();
    // The next change starts a step of its own, even when it comes from the last one's control.
    void endRun() { ++m_run; }
    // Takes a new or opened design, already shown, as a step that also makes `filePath` the
    // document's file (none when empty). The design is unmodified after it.
    void recordSwitch(const QString& text, const QString& filePath);
    // The design was written to `filePath`, which becomes its file.
    void markSaved(const QString& filePath);

signals:
    // The file, or whether the design has changed since it was last started, opened or saved.
    void stateChanged();

private:
    DesignChangeCommand::Show showing();
    void show(const WindowState& window, const std::optional<QString>& filePath);
    void showTitle();

    QWidget* m_window;
    Capture m_capture;
    Restore m_restore;
    // A child: it clears itself as it goes, which signals, and by then this document's
    // connections are gone.
    QUndoStack* m_history;
    WindowState m_shown;   // the window as the last step, or its undo, left it
    QString m_filePath;
    quint64 m_run = 0;
    int m_pauses = 0;
};
