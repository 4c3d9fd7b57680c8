#pragma once

// The window's status line: what the drawing holds, after how many revolutions it closes, how
// far a slow drawing has come, and the zoom. Permanent labels, so that a menu's tips passing over it take nothing away.

#include "art/GearTeeth.h"

#include <QObject>

#include <cstddef>
#include <optional>

class QLabel;
class QStatusBar;

class StatusLine : public QObject
{
    Q_OBJECT

public:
    explicit StatusLine(QStatusBar* bar);

    // "1,260 points", or that a design too long to draw whole stops after that many; in a design
    // of several curves, naming the first curve that was cut.
    void showPointCount(std::size_t points, bool truncated, const QString& cutCurveName = {});
    // While a long drawing is under way: "Drawing… 40 %".
    void showDrawingProgress(int percent);
    // While a slow drawing runs: how far it has come, through the curve named when the design
    // has several. A negative percentage takes it away.
    void showSlowDrawing(float percent, const QString& curveName = {});
    void showZoom(double scale);
    // After how many revolutions the selected curve closes on itself, or that it does not within
    // `most`, naming the curve when the design has several.
    void showClosure(std::optional<int> revolutions, int most, const QString& curveName = {});
    // How a curve of two toothed wheels closes, in whole numbers: "24 petals; closes after 5
    // turns of the wheel".
    void showToothClosure(const ToothClosure& closure, const QString& curveName = {});
    // A passing word about what was just done, such as a file of a newer version opened.
    void showNote(const QString& note);

    QString drawingText() const;
    QString zoomText() const;
    QString closureText() const;

private:
    QLabel* m_drawing;
    QLabel* m_closure;
    QLabel* m_progress;
    QLabel* m_zoom;
};
