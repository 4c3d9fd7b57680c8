#pragma once

#include "art/ArtParameters.h"
#include "art/Composition.h"
#include "art/DesignPainter.h"
#include "view/DrawingScheduler.h"
#include "view/ViewZoom.h"

#include <cstddef>
#include <memory>

#include <QImage>
#include <QSizeF>
#include <QTransform>
#include <QWidget>

#include <optional>

class QPainter;
class QPainterPath;
class QWheelEvent;

// The art view: holds a composition of curves and draws it, on screen, on a printed page or
// into an image: every visible curve, first to last, each turned, the wheels only of the
// selected one, fitted as a whole. The design's setters and getters are the selected curve's.
// Setters only store; whoever changes a parameter calls update(). On a page or into an image,
// every drawing traces and paints the curves then and there (drawRect). On screen the view
// shows pictures that a DrawingScheduler draws, off the main thread when the work is large,
// each curve on a layer of its own, so that a change of one curve draws that one again: an
// expose shows the finished picture again, and a change is answered at once while its picture
// is drawn.
//
// A zoomed drawing moves as in drawing programs: dragged with the left or middle button, or
// with the left while Space is held over the view (the hand shows it); the wheel scrolls it up
// and down, with Shift sideways, where it is larger than the view; Ctrl and the wheel zoom
// about the pointer. Scroll bars beside it are a ViewScroller's.
class Rotagraph : public QWidget
{
    Q_OBJECT

public:
    explicit Rotagraph(QWidget* parent = nullptr);

    float anchorRadius() const { return m_art.anchorRadius; }
    void setAnchorRadius(float value) { m_art.anchorRadius = value; }
    float runnerRadius() const { return m_art.runnerRadius; }
    void setRunnerRadius(float value) { m_art.runnerRadius = value; }
    float penHoleRadius() const { return m_art.penHoleRadius; }
    void setPenHoleRadius(float value) { m_art.penHoleRadius = value; }
    float penDrawSize() const { return m_art.penDrawSize; }
    void setPenDrawSize(float value) { m_art.penDrawSize = value; }
    QColor penColor() const { return m_art.penColor; }
    void setPenColor(const QColor& value) { m_art.penColor = value; }
    QColor pen2Color() const { return m_art.pen2Color; }
    void setPen2Color(const QColor& value) { m_art.pen2Color = value; }
    QColor pen3Color() const { return m_art.pen3Color; }
    void setPen3Color(const QColor& value) { m_art.pen3Color = value; }
    int32_t numberOfColors() const { return m_art.numberOfColors; }
    void setNumberOfColors(int32_t value) { m_art.numberOfColors = value; }
    float rotationsToMake() const { return m_art.rotationsToMake; }
    void setRotationsToMake(float value) { m_art.rotationsToMake = value; }
    bool showAnchor() const { return m_art.showAnchor; }
    void setShowAnchor(bool value) { m_art.showAnchor = value; }
    bool closeCurve() const { return m_art.closeCurve; }
    void setCloseCurve(bool value) { m_art.closeCurve = value; }
    bool fillShape() const { return m_art.fillShape; }
    void setFillShape(bool value) { m_art.fillShape = value; }
    QColor fillColor() const { return m_art.fillColor; }
    void setFillColor(const QColor& value) { m_art.fillColor = value; }
    // How much of its curve the drawing shows: while a slow drawing runs, of the curve it is at.
    float percentToDraw() const { return m_drawnUpTo >= 0 ? m_drawnPercent : m_art.percentToDraw; }
    void setPercentToDraw(float value) { m_art.percentToDraw = value; }
    int32_t drawMode() const { return m_art.drawMode; }
    void setDrawMode(int32_t value) { m_art.drawMode = value; }
    bool greaseIt() const { return m_art.greaseIt; }
    void setGreaseIt(bool value) { m_art.greaseIt = value; }
    bool allowScaleUp() const { return m_art.allowScaleUp; }
    void setAllowScaleUp(bool value) { m_art.allowScaleUp = value; }
    const CurveColouring& colouring() const { return m_art.colouring; }
    void setColouring(const CurveColouring& value) { m_art.colouring = value; }
    bool precise() const { return m_art.precise; }
    void setPrecise(bool value) { m_art.precise = value; }
    const NestedWheels& nestedWheels() const { return m_art.nested; }
    void setNestedWheels(const NestedWheels& wheels) { m_art.nested = wheels; }

    // Every parameter at once, as the drawing reads them; the setter only stores, as each one's does.
    const ArtParameters& parameters() const { return m_art; }
    void setParameters(const ArtParameters& parameters) { m_art = parameters; }

    // Every curve of the picture, drawn first to last. The parameters above are the selected
    // curve's: the view's setters change that curve alone. A new view holds one curve.
    Composition composition() const;
    int selectedCurve() const { return m_selected; }
    // What lies under the curves, on screen and in every output; invalid: nothing. A new
    // composition leaves it as it is.
    QColor background() const { return m_background; }
    void setBackground(const QColor& colour) { m_background = colour; }
    // Stores the curves and which one is selected, whose parameters become the view's own.
    void setComposition(const Composition& composition, int selected);

    // A slow drawing across the curves: the visible curves before `curve` whole, `curve` (held
    // within the composition's) to `percent`, those after it not at all, until showWholeDrawing
    // draws every curve as the composition has it again. A new composition does not end it. The
    // composition itself is left as it is, and the fit stays that of all its visible curves.
    // Each only stores, as the setters do.
    void showDrawingUpTo(int curve, float percent);
    void showWholeDrawing();

    // The area that print mode fits the design into: the page less its margins, in points,
    // handed over by the code that prints. Empty when no page is being printed.
    QSizeF printableArea() const { return m_printableArea; }
    void setPrintableArea(const QSizeF& area) { m_printableArea = area; }

    // Whether the last drawing shown had to stop tracing a curve at a point budget.
    bool lastDrawingTruncated() const { return m_lastOutcome.truncated; }
    // The number of curve points in the last drawing shown, of all the curves it drew.
    std::size_t lastDrawingPointCount() const { return m_lastOutcome.pointCount; }
    // The first curve, by its place in the composition, that the last drawing shown had to cut
    // at a point budget; -1 for none.
    int lastDrawingFirstCutCurve() const { return m_lastOutcome.firstCutCurve; }

    // Traces and paints the curves, now, with a painter on this view. In image-export mode only
    // the size of `rect` counts: the composition is centred in, and fitted to, a rectangle of
    // that size at the origin.
    void drawRect(const QRectF& rect);
    // Fills a path, already in view coordinates, with fillColor. Only valid while drawing.
    void fillIn(const QPainterPath& path);

    // On screen: draws the picture of the design as it stands now, if it is not drawn yet, and
    // shows it, without waiting for a worker. For whoever needs the picture at once.
    void finishDrawing();
    // Whether a worker is drawing the design's picture, the last one shown being older.
    bool isDrawing() const;

    // How the screen view scales and places the design. Print and export fit it themselves.
    const ViewZoom& zoom() const { return m_zoom; }
    // The scale at which the screen view shows the design now.
    double screenScale() const;
    // The zoom commands: each changes the view at once and says so with zoomChanged.
    void fitToWindow();
    void actualSize();
    void zoomIn();
    void zoomOut();
    // Where the drawing stands in the view now, in the view's coordinates: the square that Fit
    // to Window fits into the view, its margin included. What scroll bars show.
    QRectF drawingArea() const;
    // Moves the drawing by `delta` view units, as far as the edges allow, as a drag does. A
    // fitted drawing stays centred.
    void moveDrawing(const QPointF& delta);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A picture of the design as it stands was painted.
    void drawn();
    void zoomChanged();
    // A drawing is taking a while: how far it has come, in percent.
    void drawingProgressed(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Space, while the pointer is over the view, is the view's, wherever the focus is, unless
    // the focus is on a field being typed into.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setZoom(const ViewZoom& zoom);
    // The whole composition's, its visible curves', whatever a slow drawing shows of them.
    FitExtent fitExtent() const;
    // The curves as the view draws them now in `mode`: those a slow drawing has not reached
    // hidden, the wheels only on the selected one.
    Composition drawnComposition(int32_t mode) const;
    QPointF centreOffset(const QPointF& viewPoint) const;
    // How far a turn of the wheel moves the drawing, in view units.
    static QPointF scrollDistance(const QWheelEvent& event);
    void listenForSpace(bool listen);
    bool pointerIsOver() const;
    void showCursor();
    // What the screen shows now: the design, scaled and placed by the zoom.
    ScreenRequest screenRequest() const;
    DrawingScheduler& scheduler();
    void paintScreenPicture();

    ArtParameters m_art;              // the selected curve's
    Composition m_composition{{ComposedCurve{}}};   // every curve; the selected one's art is m_art
    int m_selected = 0;
    QColor m_background;
    int m_drawnUpTo = -1;   // the curve a slow drawing is at; -1: every curve is drawn
    float m_drawnPercent = 100;   // how much of that curve it shows
    ViewZoom m_zoom;
    std::optional<QPointF> m_dragFrom;   // where a drag that moves the design last stood
    Qt::MouseButton m_dragButton = Qt::NoButton;
    bool m_spaceHeld = false;
    bool m_listeningForSpace = false;
    QSizeF m_printableArea;
    QPainter* m_painter = nullptr;   // the painter of the drawing under way
    DrawingOutcome m_lastOutcome;
    std::unique_ptr<DrawingScheduler> m_scheduler;   // made when the view first shows on screen
};
