#pragma once

// The View menu and what the window says of each picture: Fit to Window, Actual Size, Zoom In
// and Out act on the art view, Fit to Window shows whether the view fits; after each picture
// the status line tells its points (and the first curve cut short), the zoom and when the
// selected curve closes, and Close the Design Exactly is offered when it closes at all.

#include <QObject>
#include <QPointer>

class CurveCommands;
class QAction;
class Rotagraph;
class StatusLine;
struct WindowControls;

class ViewCommands : public QObject
{
    Q_OBJECT

public:
    struct Actions {
        QAction* fitToWindow = nullptr;
        QAction* actualSize = nullptr;
        QAction* zoomIn = nullptr;
        QAction* zoomOut = nullptr;
        QAction* closeExactly = nullptr;
    };
    // `controls` and `curves` outlive this.
    ViewCommands(Actions actions, Rotagraph* art, StatusLine* statusLine, const WindowControls& controls,
                 const CurveCommands& curves, QObject* parent = nullptr);

private:
    void showDrawingStatus();

    Actions m_actions;
    QPointer<Rotagraph> m_artView;
    StatusLine* m_statusLine;
    const WindowControls& m_controls;
    const CurveCommands& m_curves;
};
