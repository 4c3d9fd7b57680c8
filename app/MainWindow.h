#pragma once

// The main window: it opens at a size that fits the screen it is on and comes back where the
// user left it. Whoever holds it may veto closing (to ask about unsaved changes). A file dropped
// on it is handed on to be opened.

#include <QMainWindow>

#include <functional>

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Places the window as it was when it last closed; the first time, at its preferred size
    // or the screen's available area, whichever is smaller, centred.
    void restorePlacement();
    void setMayClose(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

signals:
    void fileDropped(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::function<bool()> m_mayClose;
};
