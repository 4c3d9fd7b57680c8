#pragma once

// The main window: it opens at a size that fits the screen it is on and comes back where the
// user left it. Whoever holds it may veto closing (to ask about unsaved changes). A file dropped
// on it is handed on to be opened.

#include <QMainWindow>

#include <functional>

class QIcon;

// The application's icon: a bold drawing at the small sizes a desktop shows in lists and title
// bars, the full one above them.
QIcon applicationIcon();

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Places the window as it was when it last closed; the first time, large enough for the
    // whole control panel and a large drawing where the screen's available area allows,
    // centred.
    void restorePlacement();
    // The size the window first opens at on a screen with this much room.
    QSize firstSize(const QSize& available) const;
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
