// Moving about a zoomed drawing as in drawing programs: the left or middle button, or Space and
// the left, drag it; the wheel scrolls it, sideways with Shift; scroll bars show where it is and
// move it; it stops where its edge meets the view's; zooming keeps the point under the pointer
// (or the view's centre) where it is, after a drag as before one.
//
// Each test holds the view in a ViewScroller, as the window does, beside a button and a field
// that can take the focus. Where the drawing stands is read from the view (drawingArea), whose
// agreement with the painted pixels is checked once.

#include "view/Rotagraph.h"
#include "view/ViewScroller.h"

#include "TestSupport.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

namespace {


double wheelNotch()
{
    return QApplication::wheelScrollLines() * double(ViewScroller::kScrollStep);
}

int barExtent()
{
    return QScrollBar(Qt::Vertical).sizeHint().width();
}

// A window with the view in a scroller of `room`, a button and a field beside it.
struct Window {
    explicit Window(const QSize& room = {400, 300})
    {
        widget.resize(room.width() + 200, room.height() + 20);
        scroller = new ViewScroller(&widget);
        view = new Rotagraph;
        scroller->setView(view);
        scroller->setGeometry(QRect(QPoint(), room));
        button = new QPushButton(QStringLiteral("Button"), &widget);
        button->setGeometry(room.width() + 20, 10, 120, 30);
        field = new QLineEdit(&widget);
        field->setGeometry(room.width() + 20, 50, 120, 30);
        list = new QComboBox(&widget);
        list->addItems({QStringLiteral("One"), QStringLiteral("Two")});
        list->setGeometry(room.width() + 20, 90, 120, 30);
        widget.show();
        widget.activateWindow();
        if (!QTest::qWaitForWindowActive(&widget))
            qWarning("the window did not become active");
    }

    // A circle of `radius` about the centre, drawn at `scale`: its drawing is the square of side
    // 2.05 × (radius × scale + half the pen).
    void showCircle(double radius, bool actualSize = true)
    {
        ArtParameters art;
        art.anchorRadius = 0;
        art.runnerRadius = float(radius * 0.6);
        art.penHoleRadius = float(radius * 0.4);
        art.rotationsToMake = 1;
        art.penDrawSize = 1;
        art.penColor = Qt::red;
        art.numberOfColors = 1;
        view->setParameters(art);
        if (actualSize)
            view->actualSize();
        view->update();
        settle();
    }

    // Lets the bars come or go after a change of the design.
    void settle()
    {
        view->repaint();
        QApplication::processEvents();
    }

    bool bar(Qt::Orientation orientation) const
    {
        return !(orientation == Qt::Horizontal ? scroller->horizontalScrollBar() : scroller->verticalScrollBar())->isHidden();
    }

    QWidget widget;
    ViewScroller* scroller = nullptr;
    Rotagraph* view = nullptr;
    QPushButton* button = nullptr;
    QLineEdit* field = nullptr;
    QComboBox* list = nullptr;   // not editable: Space opens it
};

// The radius of a circle whose drawing at one unit per point has this side.
double radiusForSide(double side)
{
    return side / 2.05 - 0.5;
}

// The design's point under a point of the view, in curve units from the design's centre.
QPointF designPointUnder(const Rotagraph& view, const QPointF& at)
{
    return (at - view.drawingArea().center()) / view.screenScale();
}

bool near(const QPointF& a, const QPointF& b, double within = 0.01)
{
    return std::abs(a.x() - b.x()) <= within && std::abs(a.y() - b.y()) <= within;
}

QString described(const QPointF& p)
{
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

void drag(Rotagraph* view, Qt::MouseButton button, const QPoint& from, const QPoint& by)
{
    QTest::mousePress(view, button, {}, from);
    QTest::mouseMove(view, from + by);
    QTest::mouseRelease(view, button, {}, from + by);
}

// The pointer over the view, Space pressed there, left drag, Space released.
void dragWithSpace(Rotagraph* view, const QPoint& from, const QPoint& by)
{
    QTest::mouseMove(view, from);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyPress(focus, Qt::Key_Space);
    drag(view, Qt::LeftButton, from, by);
    QTest::keyRelease(focus, Qt::Key_Space);
}

}

class TestScrolling : public QObject
{
    Q_OBJECT

private slots:
    // Each gesture moves a drawing larger than the view, at once, by as much as the pointer or
    // the wheel went; the hand closes while it holds the drawing.
    void gesturesMoveAZoomedDrawing_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QPoint>("wheel");   // eighths of a degree
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPointF>("moved");
        const double notch = wheelNotch();
        QTest::addRow("left drag") << "left drag" << QPoint() << 0 << QPointF(-30, -20);
        QTest::addRow("middle drag") << "middle drag" << QPoint() << 0 << QPointF(-30, -20);
        QTest::addRow("Space held, left drag") << "space drag" << QPoint() << 0 << QPointF(-30, -20);
        QTest::addRow("wheel down: the drawing rises") << "wheel" << QPoint(0, -120) << 0 << QPointF(0, -notch);
        QTest::addRow("wheel up: the drawing comes down") << "wheel" << QPoint(0, 120) << 0 << QPointF(0, notch);
        QTest::addRow("two notches down") << "wheel" << QPoint(0, -240) << 0 << QPointF(0, -2 * notch);
        QTest::addRow("Shift, wheel down: the drawing goes left")
            << "wheel" << QPoint(0, -120) << int(Qt::ShiftModifier) << QPointF(-notch, 0);
        QTest::addRow("Shift, wheel up: the drawing goes right")
            << "wheel" << QPoint(0, 120) << int(Qt::ShiftModifier) << QPointF(notch, 0);
        QTest::addRow("wheel tilted right: the drawing goes left") << "wheel" << QPoint(-120, 0) << 0 << QPointF(-notch, 0);
    }

    void gesturesMoveAZoomedDrawing()
    {
        QFETCH(QString, gesture);
        QFETCH(QPoint, wheel);
        QFETCH(int, modifiers);
        QFETCH(QPointF, moved);
        Window window;
        window.showCircle(300);   // 616 across in a view of about 400 × 300
        window.button->setFocus();
        QSignalSpy pressed(window.button, &QPushButton::clicked);
        Rotagraph* view = window.view;
        const QPointF before = view->drawingArea().center();
        const QPoint from(200, 150);
        if (gesture == "wheel") {
            turnWheel(view, from, wheel, Qt::KeyboardModifiers(modifiers));
        } else {
            const Qt::MouseButton button = gesture == "middle drag" ? Qt::MiddleButton : Qt::LeftButton;
            QTest::mouseMove(view, from);
            if (gesture == "space drag")
                QTest::keyPress(window.button, Qt::Key_Space);
            QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
            QTest::mousePress(view, button, {}, from);
            QTest::mouseMove(view, from + moved.toPoint());
            QCOMPARE(view->cursor().shape(), Qt::ClosedHandCursor);
            QTest::mouseRelease(view, button, {}, from + moved.toPoint());
            if (gesture == "space drag")
                QTest::keyRelease(window.button, Qt::Key_Space);
            QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
        }
        const QPointF after = view->drawingArea().center();
        QVERIFY2(near(after - before, moved), qPrintable(described(after - before)));
        QCOMPARE(pressed.count(), 0);
        QVERIFY(!view->zoom().fitsToWindow());
    }

    // Space is the view's while the pointer is over it, so that holding it to pan does not
    // press the focused button nor open the focused list, not even as the key repeats; a field
    // being typed into keeps it, and so does the focus when the pointer is elsewhere.
    void spaceIsTheViewsWhileThePointerIsOverIt_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("overTheView");
        QTest::addColumn<int>("buttonPresses");
        QTest::addColumn<QString>("typed");
        QTest::addRow("over the view, a button focused") << "button" << true << 0 << "";
        QTest::addRow("over the view, a list focused") << "list" << true << 0 << "";
        QTest::addRow("over the view, a field focused") << "field" << true << 0 << " ";
        QTest::addRow("elsewhere, a button focused") << "button" << false << 1 << "";
    }

    void spaceIsTheViewsWhileThePointerIsOverIt()
    {
        QFETCH(QString, focus);
        QFETCH(bool, overTheView);
        QFETCH(int, buttonPresses);
        QFETCH(QString, typed);
        Window window;
        window.showCircle(300);
        QWidget* focused = focus == "button" ? static_cast<QWidget*>(window.button)
                         : focus == "list"   ? static_cast<QWidget*>(window.list)
                                             : window.field;
        focused->setFocus();
        QSignalSpy pressed(window.button, &QPushButton::clicked);
        QTest::mouseMove(window.view, QPoint(100, 100));
        if (!overTheView)
            QTest::mouseMove(&window.widget, window.field->geometry().bottomRight() + QPoint(10, 10));
        QTest::keyPress(focused, Qt::Key_Space);
        // Held: the keyboard repeats it, as a release and a press marked as repeats.
        for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
            QKeyEvent repeat(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
            QApplication::sendEvent(focused, &repeat);
        }
        QTest::keyRelease(focused, Qt::Key_Space);
        QCOMPARE(pressed.count(), buttonPresses);
        QVERIFY(!window.list->view()->isVisible());
        QCOMPARE(window.field->text().trimmed().isEmpty(), true);
        QCOMPARE(window.field->text().isEmpty(), typed.isEmpty());
    }

    // A drawing larger than the view moves until its edge meets the view's edge; one smaller
    // than the view moves as far as it is dragged.
    void dragStopsWhereTheEdgeMeetsTheView_data()
    {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<QString>("stopsAt");
        QTest::addRow("larger, dragged right: its left edge at the view's") << 300.0 << QPoint(1000, 0) << "left";
        QTest::addRow("larger, dragged left: its right edge at the view's") << 300.0 << QPoint(-1000, 0) << "right";
        QTest::addRow("larger, dragged down: its top at the view's") << 300.0 << QPoint(0, 1000) << "top";
        QTest::addRow("larger, dragged up: its bottom at the view's") << 300.0 << QPoint(0, -1000) << "bottom";
        QTest::addRow("smaller, dragged right past the edge: as far as dragged") << 60.0 << QPoint(250, 0) << "";
        QTest::addRow("wider than tall view, dragged down: taller than the view, so it stops")
            << radiusForSide(350) << QPoint(0, 400) << "top";
        QTest::addRow("wider than tall view, dragged right: narrower than the view, so it goes on")
            << radiusForSide(350) << QPoint(30, 0) << "";
    }

    void dragStopsWhereTheEdgeMeetsTheView()
    {
        QFETCH(double, radius);
        QFETCH(QPoint, by);
        QFETCH(QString, stopsAt);
        Window window;
        window.showCircle(radius);
        Rotagraph* view = window.view;
        const QRectF before = view->drawingArea();
        drag(view, Qt::LeftButton, QPoint(200, 150), by);
        const QRectF area = view->drawingArea();
        const QString where = described(area.topLeft()) + " to " + described(area.bottomRight());
        if (stopsAt.isEmpty())
            QVERIFY2(near(area.center() - before.center(), by), qPrintable(where));
        else if (stopsAt == "left")
            QVERIFY2(std::abs(area.left()) < 0.01, qPrintable(where));
        else if (stopsAt == "right")
            QVERIFY2(std::abs(area.right() - view->width()) < 0.01, qPrintable(where));
        else if (stopsAt == "top")
            QVERIFY2(std::abs(area.top()) < 0.01, qPrintable(where));
        else
            QVERIFY2(std::abs(area.bottom() - view->height()) < 0.01, qPrintable(where));
        // The other way it goes back at once: the drawing is where it shows, nothing beyond.
        drag(view, Qt::LeftButton, QPoint(200, 150), -by / std::max(1, by.manhattanLength() / 10));
        QVERIFY(!near(view->drawingArea().center(), area.center()));
    }

    // A bar shows only along an axis where the drawing is larger than the view, and none with
    // Fit to Window. Whether it shows is decided by the whole room: a bar that takes room from
    // the view never makes the other come, nor itself go.
    void scrollBarsShowWhereTheDrawingIsLarger_data()
    {
        QTest::addColumn<QSize>("room");
        QTest::addColumn<double>("side");   // of the drawing
        QTest::addColumn<bool>("fit");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("vertical");
        const int bar = barExtent();
        QTest::addRow("fitted: none, however large") << QSize(400, 300) << 5000.0 << true << false << false;
        QTest::addRow("smaller than the view: none") << QSize(400, 300) << 200.0 << false << false << false;
        QTest::addRow("as large as a square view: none") << QSize(300, 300) << 300.0 << false << false << false;
        QTest::addRow("within the room, beyond it less a bar: none")
            << QSize(400, 400) << 400.0 - bar / 2.0 << false << false << false;
        QTest::addRow("taller than the view, narrower than it less a bar: the vertical one")
            << QSize(400, 300) << 330.0 << false << false << true;
        QTest::addRow("wider than the view, lower than it less a bar: the horizontal one")
            << QSize(300, 400) << 330.0 << false << true << false;
        QTest::addRow("taller, and the vertical bar leaves too little width: both")
            << QSize(400, 300) << 400.0 - bar / 2.0 << false << true << true;
        QTest::addRow("larger both ways: both") << QSize(400, 300) << 600.0 << false << true << true;
    }

    void scrollBarsShowWhereTheDrawingIsLarger()
    {
        QFETCH(QSize, room);
        QFETCH(double, side);
        QFETCH(bool, fit);
        QFETCH(bool, horizontal);
        QFETCH(bool, vertical);
        Window window(room);
        window.showCircle(radiusForSide(side), !fit);
        if (!fit)   // the pen's reach is the drawing's too
            QVERIFY2(std::abs(window.view->drawingArea().width() - side) < 0.01, qPrintable(QString::number(window.view->drawingArea().width())));
        QTRY_COMPARE_WITH_TIMEOUT(window.bar(Qt::Horizontal), horizontal, kPatienceMs);
        QTRY_COMPARE_WITH_TIMEOUT(window.bar(Qt::Vertical), vertical, kPatienceMs);
        const QSize shown = room - QSize(vertical ? barExtent() : 0, horizontal ? barExtent() : 0);
        QCOMPARE(window.view->size(), shown);
        // Settled: painting again changes nothing.
        window.settle();
        QTest::qWait(20);
        QCOMPARE(window.bar(Qt::Horizontal), horizontal);
        QCOMPARE(window.bar(Qt::Vertical), vertical);
        QCOMPARE(window.view->size(), shown);
        // Centred, as far from either end.
        for (const QScrollBar* bar : {window.scroller->horizontalScrollBar(), window.scroller->verticalScrollBar()})
            if (!bar->isHidden())
                QVERIFY(std::abs(2 * bar->value() - bar->maximum()) <= 1);
    }

    // The bars move with every pan and zoom, and moving one moves the drawing, as far as the
    // edge. Fit to Window takes them away and gives the view the whole room.
    void barsAndDrawingMoveTogether()
    {
        Window window;
        window.showCircle(300);
        Rotagraph* view = window.view;
        QScrollBar* across = window.scroller->horizontalScrollBar();
        QScrollBar* down = window.scroller->verticalScrollBar();
        QVERIFY(window.bar(Qt::Horizontal) && window.bar(Qt::Vertical));
        QCOMPARE(across->maximum(), int(std::ceil(view->drawingArea().width() - view->width())));
        QCOMPARE(down->pageStep(), view->height());

        const int acrossBefore = across->value();
        const int downBefore = down->value();
        drag(view, Qt::LeftButton, QPoint(200, 150), QPoint(-30, -20));
        QCOMPARE(across->value(), acrossBefore + 30);
        QCOMPARE(down->value(), downBefore + 20);
        turnWheel(view, QPoint(200, 150), QPoint(0, -120));
        QCOMPARE(down->value(), downBefore + 20 + qRound(wheelNotch()));

        across->setValue(across->maximum());
        QVERIFY(std::abs(view->drawingArea().right() - view->width()) < 0.01);
        down->triggerAction(QAbstractSlider::SliderToMinimum);
        QVERIFY(std::abs(view->drawingArea().top()) < 0.01);
        across->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QVERIFY(std::abs(view->drawingArea().right() - view->width() - ViewScroller::kScrollStep) < 0.5);

        turnWheel(view, QPoint(100, 100), QPoint(0, 120), Qt::ControlModifier);
        QCOMPARE(across->maximum(), int(std::ceil(view->drawingArea().width() - view->width())));
        QVERIFY(std::abs(across->value() + view->drawingArea().left()) <= 1);
        QVERIFY(std::abs(down->value() + view->drawingArea().top()) <= 1);

        view->fitToWindow();
        QVERIFY(!window.bar(Qt::Horizontal) && !window.bar(Qt::Vertical));
        QCOMPARE(view->size(), window.scroller->size());
    }

    // Where the view says the drawing is, it is painted: the circle's ink is centred in it.
    void theDrawingIsPaintedWhereTheViewSays()
    {
        Window window;
        window.showCircle(100);
        drag(window.view, Qt::MiddleButton, QPoint(200, 150), QPoint(-70, 45));
        window.view->finishDrawing();
        QImage shown(window.view->size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::transparent);
        window.view->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
        const QRect ink = paintedBounds(shown);
        QVERIFY2(near(QRectF(ink).center(), window.view->drawingArea().center(), 1.5),
                 qPrintable(described(QRectF(ink).center())));
    }

    // After a drag, zooming keeps the design's point under the pointer (the wheel) or at the
    // view's centre (the commands) where it was; Actual Size centres the drawing again. From a
    // fit, the bars that come with the zoom do not move it either.
    void zoomAfterADragKeepsItsAnchor_data()
    {
        QTest::addColumn<bool>("fromAFit");
        QTest::addColumn<QString>("zoom");
        QTest::addColumn<QPoint>("pointer");
        QTest::addRow("Ctrl and the wheel in") << false << "wheel in" << QPoint(120, 90);
        QTest::addRow("Ctrl and the wheel out") << false << "wheel out" << QPoint(150, 120);
        QTest::addRow("Zoom In") << false << "in" << QPoint();
        QTest::addRow("Zoom Out") << false << "out" << QPoint();
        QTest::addRow("Actual Size: centred") << false << "actual" << QPoint();
        QTest::addRow("from a fit, Ctrl and the wheel in") << true << "wheel in" << QPoint(170, 130);
        QTest::addRow("from a fit, Zoom In") << true << "in" << QPoint();
    }

    void zoomAfterADragKeepsItsAnchor()
    {
        QFETCH(bool, fromAFit);
        QFETCH(QString, zoom);
        QFETCH(QPoint, pointer);
        Window window;
        Rotagraph* view = window.view;
        window.showCircle(300, !fromAFit);
        if (!fromAFit)
            drag(view, Qt::LeftButton, QPoint(200, 150), QPoint(-40, -30));
        // The commands zoom about the view's centre, which a bar coming from a fit moves.
        const auto anchor = [&] { return pointer.isNull() ? QRectF(view->rect()).center() : QPointF(pointer); };
        const QPointF underAnchor = designPointUnder(*view, anchor());
        const double scale = view->screenScale();
        if (zoom == "wheel in" || zoom == "wheel out")
            turnWheel(view, pointer, QPoint(0, zoom == "wheel in" ? 120 : -120), Qt::ControlModifier);
        else if (zoom == "in")
            view->zoomIn();
        else if (zoom == "out")
            view->zoomOut();
        else
            view->actualSize();
        window.settle();
        if (zoom == "actual") {
            QCOMPARE(view->screenScale(), 1.0);
            QVERIFY(near(view->drawingArea().center(), QRectF(view->rect()).center()));
            return;
        }
        QCOMPARE(view->screenScale(), (zoom.endsWith("in") ? scale * 1.25 : scale / 1.25));
        QVERIFY(window.bar(Qt::Vertical));
        // The view's corner stays where it was in the window: the pointer is at the same point.
        QCOMPARE(view->pos(), QPoint());
        QVERIFY2(near(designPointUnder(*view, anchor()), underAnchor, 0.05),
                 qPrintable(described(designPointUnder(*view, anchor())) + " for " + described(underAnchor)));
    }

    // Nothing but a change of scale takes a drawing away from the fit: wheels and drags leave
    // it, and a step that cannot go further leaves it too. A fit beyond the smallest scale
    // steps from where it is, never jumping to the limit.
    void onlyAChangeOfScaleLeavesTheFit_data()
    {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<double>("factor");   // of the scale; 1: it stays fitted
        QTest::addRow("wheel") << 300.0 << "wheel" << 1.0;
        QTest::addRow("Shift and the wheel") << 300.0 << "shift wheel" << 1.0;
        QTest::addRow("middle drag") << 300.0 << "middle drag" << 1.0;
        QTest::addRow("Space and a left drag") << 300.0 << "space drag" << 1.0;
        QTest::addRow("beyond the smallest scale, Ctrl and the wheel out") << 1e6 << "wheel out" << 1.0;
        QTest::addRow("beyond the smallest scale, Zoom Out") << 1e6 << "out" << 1.0;
        QTest::addRow("beyond the smallest scale, Zoom In: one step") << 1e6 << "in" << 1.25;
        QTest::addRow("Zoom In: one step") << 300.0 << "in" << 1.25;
    }

    void onlyAChangeOfScaleLeavesTheFit()
    {
        QFETCH(double, radius);
        QFETCH(QString, gesture);
        QFETCH(double, factor);
        Window window;
        Rotagraph* view = window.view;
        window.showCircle(radius, false);
        window.button->setFocus();
        const double fitted = view->screenScale();
        const QRectF area = view->drawingArea();
        QSignalSpy changed(view, &Rotagraph::zoomChanged);
        const QPoint at(200, 150);
        if (gesture == "wheel")
            turnWheel(view, at, QPoint(0, -120));
        else if (gesture == "shift wheel")
            turnWheel(view, at, QPoint(0, -120), Qt::ShiftModifier);
        else if (gesture == "middle drag")
            drag(view, Qt::MiddleButton, at, QPoint(-50, -40));
        else if (gesture == "space drag")
            dragWithSpace(view, at, QPoint(-50, -40));
        else if (gesture == "wheel out")
            turnWheel(view, at, QPoint(0, -120), Qt::ControlModifier);
        else if (gesture == "out")
            view->zoomOut();
        else
            view->zoomIn();
        QCOMPARE(view->zoom().fitsToWindow(), factor == 1);
        QCOMPARE(changed.isEmpty(), factor == 1);
        QCOMPARE(view->screenScale(), fitted * factor);
        if (factor == 1)
            QCOMPARE(view->drawingArea(), area);
    }
};

QTEST_MAIN(TestScrolling)
#include "tst_scrolling.moc"
