#pragma once

// A bar of colour stops, as a curve's gradient is edited: the gradient shown along it over a
// checkerboard (so that alpha shows), a handle below it for each stop. With the mouse: a click
// on the bar adds a stop of the colour the gradient has there, a click on a handle chooses it, a
// drag moves it, a double-click picks its colour. With the keys: Tab and Shift+Tab go from stop
// to stop (and on to the next control after the last), Left and Right move the chosen stop a
// hundredth (Shift: a tenth), Home and End to an end, Return picks its colour, Delete removes it.
// A gradient keeps 2 to 8 stops. Stops are kept in order of position; the chosen one stays
// chosen as it passes another.

#include <QColor>
#include <QGradientStops>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

struct GradientPreset {
    QString name;
    QGradientStops stops;
};

// A few gradients to start from: Rainbow, Sunset, Ocean, Ink.
const std::vector<GradientPreset>& gradientPresets();

class GradientBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kFewestStops = 2;
    static constexpr int kMostStops = 8;

    // How the bar mixes the colour at a position between stops, as the curve will draw it. By
    // default, as a linear gradient mixes sRGB.
    using ColourAt = std::function<QColor(const QGradientStops& stops, qreal position)>;

    explicit GradientBar(QWidget* parent = nullptr);

    QGradientStops stops() const { return m_stops; }
    // Shows `stops` (sorted, held to 2 to 8 and to positions 0 to 1) without sending stopsEdited.
    void setStops(const QGradientStops& stops);
    int currentStop() const { return m_current; }
    void setColourAt(ColourAt colourAt);

    // Asks the user for the chosen stop's colour, alpha included; the dialog is QColorDialog's
    // unless a test or the window hands in its own.
    using PickColour = std::function<QColor(const QColor& initial, QWidget* parent)>;
    void setPickColour(PickColour pick) { m_pickColour = std::move(pick); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the stops: added, moved, recoloured or removed one.
    void stopsEdited(const QGradientStops& stops);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QRectF barRect() const;
    QRectF handleRect(int stop) const;
    qreal positionAt(qreal x) const;
    int stopAt(const QPointF& point) const;
    QColor colourAt(qreal position) const;
    void moveCurrentTo(qreal position);
    void pickColour();
    void edited();
    void describe();

    QGradientStops m_stops;
    int m_current = 0;
    bool m_dragging = false;
    ColourAt m_colourAt;
    PickColour m_pickColour;
};
