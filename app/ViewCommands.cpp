#include "app/ViewCommands.h"

#include "app/ClosureShown.h"
#include "app/CurveCommands.h"
#include "app/Shortcuts.h"
#include "app/StatusLine.h"
#include "view/Rotagraph.h"

#include <QAction>
#include <QSignalBlocker>

ViewCommands::ViewCommands(Actions actions, Rotagraph* art, StatusLine* statusLine, const WindowControls& controls,
                           const CurveCommands& curves, QObject* parent)
    : QObject(parent)
    , m_actions(actions)
    , m_artView(art)
    , m_statusLine(statusLine)
    , m_controls(controls)
    , m_curves(curves)
{
    actions.fitToWindow->setShortcut(Qt::CTRL | Qt::Key_F);
    actions.actualSize->setShortcut(Qt::CTRL | Qt::Key_0);
    setStandardShortcut(actions.zoomIn, QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Plus);
    addShortcut(actions.zoomIn, Qt::CTRL | Qt::Key_Equal);   // + without Shift
    setStandardShortcut(actions.zoomOut, QKeySequence::ZoomOut, Qt::CTRL | Qt::Key_Minus);
    connect(actions.fitToWindow, &QAction::toggled, art, [art](bool fit) { fit ? art->fitToWindow() : art->actualSize(); });
    connect(actions.actualSize, &QAction::triggered, art, &Rotagraph::actualSize);
    connect(actions.zoomIn, &QAction::triggered, art, &Rotagraph::zoomIn);
    connect(actions.zoomOut, &QAction::triggered, art, &Rotagraph::zoomOut);

    connect(art, &Rotagraph::drawn, this, &ViewCommands::showDrawingStatus);
    connect(art, &Rotagraph::drawingProgressed, statusLine, &StatusLine::showDrawingProgress);
    connect(art, &Rotagraph::zoomChanged, this, [this] {
        const QSignalBlocker quiet(m_actions.fitToWindow);
        m_actions.fitToWindow->setChecked(m_artView && m_artView->zoom().fitsToWindow());
    });
}

void ViewCommands::showDrawingStatus()
{
    if (!m_artView)
        return;
    // A design of several curves names the curve it speaks of: the first one cut, and the
    // selected one's closure.
    const CurveListModel& curves = m_curves.model();
    const auto nameOf = [&curves](int row) {
        return curves.curves().size() > 1 && row >= 0 && row < curves.rowCount() ? curves.curve(row).name : QString();
    };
    m_statusLine->showPointCount(m_artView->lastDrawingPointCount(), m_artView->lastDrawingTruncated(),
                                 nameOf(m_artView->lastDrawingFirstCutCurve()));
    m_statusLine->showZoom(m_artView->screenScale());
    const ArtParameters& art = m_artView->parameters();
    const std::optional<int> closes = revolutionsToClose(m_controls, art);
    if (const std::optional<ToothClosure> teeth = toothClosureShown(m_controls, art))
        m_statusLine->showToothClosure(*teeth, nameOf(m_curves.selectedRow()));
    else
        m_statusLine->showClosure(closes, mostRevolutions(m_controls), nameOf(m_curves.selectedRow()));
    m_actions.closeExactly->setEnabled(closes.has_value());
}
