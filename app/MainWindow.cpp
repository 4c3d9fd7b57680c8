#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStyle>

namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
// What the window asks of a screen, before it knows better: room for a large drawing.
constexpr QSize kPreferredSize{1060, 760};
// The share of the screen's free area that a first window takes at most.
constexpr double kScreenShare = 0.9;

// The one local file that a drag carries, or nothing: a design opens one file at a time.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setAcceptDrops(true);
}

void MainWindow::restorePlacement()
{
    if (restoreGeometry(QSettings().value(kGeometryKey).toByteArray()))
        return;
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), kPreferredSize);
    const QSize size = kPreferredSize.boundedTo((QSizeF(available.size()) * kScreenShare).toSize())
                           .expandedTo(minimumSizeHint());
    setGeometry(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, size, available));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_mayClose && !m_mayClose()) {
        event->ignore();
        return;
    }
    QSettings().setValue(kGeometryKey, saveGeometry());
    QMainWindow::closeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit fileDropped(path);
}
