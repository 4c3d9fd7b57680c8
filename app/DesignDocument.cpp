#include "app/DesignDocument.h"

#include <QFileInfo>
#include <QWidget>

DesignDocument::DesignDocument(QWidget* window, Capture capture, Restore restore, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_capture(std::move(capture))
    , m_restore(std::move(restore))
    , m_history(new QUndoStack(this))
{
    m_history->setUndoLimit(kHistoryLimit);
    // The index moves after a command's undo or redo has run: only then is the mark known.
    connect(m_history, &QUndoStack::indexChanged, this, &DesignDocument::showTitle);
    connect(m_history, &QUndoStack::cleanChanged, this, &DesignDocument::showTitle);
    showTitle();
}

bool DesignDocument::hasUnsavedChanges() const
{
    return !m_history->isClean();
}

void DesignDocument::begin()
{
    m_history->clear();
    m_shown = m_capture();
    m_filePath.clear();
    showTitle();
}

void DesignDocument::record(const QString& text, const QObject* source)
{
    if (m_pauses > 0)
        return;
    WindowState now = m_capture();
    if (now == m_shown)
        return;
    WindowState before = std::exchange(m_shown, now);
    m_history->push(new DesignChangeCommand(text, std::move(before), std::move(now), showing(), source, m_run));
}

void DesignDocument::takeWindowAsShown()
{
    m_shown = m_capture();
}

void DesignDocument::recordSwitch(const QString& text, const QString& filePath)
{
    WindowState now = m_capture();
    if (now != m_shown || filePath != m_filePath) {
        WindowState before = std::exchange(m_shown, now);
        FileSwitch files{std::exchange(m_filePath, filePath), filePath};
        m_history->push(new DesignChangeCommand(text, std::move(before), std::move(now), std::move(files), showing()));
    }
    m_history->setClean();
    showTitle();
}

void DesignDocument::markSaved(const QString& filePath)
{
    m_filePath = filePath;
    m_history->setClean();
    showTitle();
}

DesignChangeCommand::Show DesignDocument::showing()
{
    return [this](const WindowState& window, const std::optional<QString>& filePath) { show(window, filePath); };
}

void DesignDocument::show(const WindowState& window, const std::optional<QString>& filePath)
{
    m_shown = window;
    if (filePath)
        m_filePath = *filePath;
    m_restore(window);
    showTitle();
}

void DesignDocument::showTitle()
{
    const QString name = m_filePath.isEmpty() ? tr("Untitled") : QFileInfo(m_filePath).fileName();
    // The platform adds the application's display name where its desktop shows titles so.
    m_window->setWindowTitle(name + QStringLiteral("[*]"));
    m_window->setWindowModified(hasUnsavedChanges());
    emit stateChanged();
}
