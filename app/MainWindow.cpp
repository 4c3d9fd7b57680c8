#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStyle>

namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
// What the window asks of a screen at least: room for a large drawing. It asks for more when
// the control panel needs it to show whole.
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

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48})
        icon.addFile(QStringLiteral(":/icons/icons/rotagraph-%1.png").arg(size), QSize(size, size));
    icon.addFile(QStringLiteral(":/icons/rotagraph.svg"));
    return icon;
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
    // The style's fonts and margins decide how large the panel is: every layout measures
    // afresh with them before the window takes its size.
    ensurePolished();
    for (QLayout* layout : findChildren<QLayout*>())
        layout->invalidate();
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), kPreferredSize);
    setGeometry(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, firstSize(available.size()), available));
}

QSize MainWindow::firstSize(const QSize& available) const
{
    return kPreferredSize.expandedTo(sizeHint())
        .boundedTo((QSizeF(available) * kScreenShare).toSize())
        .expandedTo(minimumSizeHint());
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
