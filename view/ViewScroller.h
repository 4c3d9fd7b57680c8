#pragma once

// The art view with a scroll bar beside it and one below, each shown only while the drawing is
// larger than the view along it, never when the drawing fits the window. The bars follow every
// pan and zoom of the view, and moving one moves the drawing: the view's zoom stays the one
// place that knows where the drawing is, and the bars only show it.
//
// A container beside the view rather than a scroll area with the view as its viewport: a
// scroll area takes its viewport's paint, mouse and wheel events for its own, and the view
// keeps its own (drawing off the main thread, zoom about the pointer, dragging), the same in
// the window as anywhere else.
//
// Whether a bar shows is decided by the room both would leave, not by the view's size of the
// moment, so that a bar that takes room from the view never makes the other come and go.

#include <QPointer>
#include <QWidget>

class QScrollBar;
class Rotagraph;

class ViewScroller : public QWidget
{
    Q_OBJECT

public:
    // View units one arrow of a bar moves the drawing.
    static constexpr int kScrollStep = 20;

    explicit ViewScroller(QWidget* parent = nullptr);

    // The view this holds; made its child, as the window's layout file puts it there.
    void setView(Rotagraph* view);
    Rotagraph* view() const { return m_view; }
    QScrollBar* horizontalScrollBar() const { return m_horizontal; }
    QScrollBar* verticalScrollBar() const { return m_vertical; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Sees the view painted: a design changed since may need other bars.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Bars {
        bool horizontal = false;
        bool vertical = false;
        bool operator==(const Bars& other) const { return horizontal == other.horizontal && vertical == other.vertical; }
    };

    Bars barsNeeded() const;
    Bars barsShown() const;
    // Places the view and the bars that are needed; the drawing stays where it stood in the
    // window as a bar comes or goes.
    void arrange();
    // The bars' ranges and positions, from where the drawing stands.
    void showPosition();
    void scrolled(Qt::Orientation orientation, int value);

    QPointer<Rotagraph> m_view;
    QScrollBar* m_horizontal;
    QScrollBar* m_vertical;
    bool m_arrangeQueued = false;
};
