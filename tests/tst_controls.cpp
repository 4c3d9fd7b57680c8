#include "widgets/Controls.h"
#include "widgets/GradientBar.h"
#include "widgets/ScrollPanel.h"

#include "TestSupport.h"

#include <QApplication>
#include <QColorDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

// The small controls on their own, as a user meets them: the wheel and the touchpad over them,
// the swatch a colour well shows, the dialog it opens, and the mark on a field that holds no
// number.

namespace {

// One turn of a touchpad's scrolling: many small steps, with the pixels it moved.
constexpr int kTouchpadSteps = 8;
constexpr QPoint kTouchpadAngle(0, -15);
constexpr QPoint kTouchpadPixels(0, -10);

// A wheel event over the middle of a widget, delivered as the application delivers one from a
// device: a widget that ignores it hands it on to the widget that holds it, up to the window.
// (An event sent from code goes to its receiver alone.)
void wheelOver(QWidget* widget, QPoint angleDelta, QPoint pixelDelta = {})
{
    QPointF at = QRectF(widget->rect()).center();
    for (QWidget* receiver = widget; receiver; receiver = receiver->parentWidget()) {
        QWheelEvent event(at, receiver->mapToGlobal(at), pixelDelta, angleDelta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(receiver, &event);
        if (event.isAccepted() || receiver->isWindow())
            return;
        at = receiver->mapToParent(at);
    }
}

// A column of controls taller than the panel that scrolls it, as the window's is.
struct ScrolledColumn {
    ScrollPanel panel;
    QWidget* column = new QWidget;
    Stepper* stepper = new Stepper;
    NumberField* field = new NumberField;
    NumberField* after = new NumberField;   // the next in the Tab chain

    ScrolledColumn()
    {
        auto* layout = new QVBoxLayout(column);
        layout->addWidget(field);
        layout->addWidget(stepper);
        layout->addWidget(after);
        layout->addSpacing(2000);
        panel.setWidget(column);
        panel.resize(200, 150);
        panel.show();
        stepper->setMaximum(1000);
        stepper->setValue(50);
    }
    int scrolled() const { return panel.verticalScrollBar()->value(); }
};

QImage shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether each channel of `c` lies strictly between those of `a` and `b`, where they differ.
bool liesBetween(QRgb c, QRgb a, QRgb b)
{
    const auto between = [](int v, int x, int y) { return x == y ? v == x : v > std::min(x, y) && v < std::max(x, y); };
    return between(qRed(c), qRed(a), qRed(b)) && between(qGreen(c), qGreen(a), qGreen(b))
        && between(qBlue(c), qBlue(a), qBlue(b));
}

QColorDialog* openColorDialog()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QColorDialog*>(window); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

}

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    // A notch of the wheel over a stepper steps it; a touchpad's small steps scroll the panel
    // under the pointer as they do anywhere else, and leave the stepper as it was.
    void wheelOverAStepper_data()
    {
        QTest::addColumn<std::vector<QPoint>>("angles");
        QTest::addColumn<QPoint>("pixels");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("steps");   // valueStepped sent
        QTest::addRow("a notch up") << std::vector<QPoint>{{0, 120}} << QPoint() << 53.0 << 1;
        QTest::addRow("two notches down at once") << std::vector<QPoint>{{0, -240}} << QPoint() << 44.0 << 1;
        QTest::addRow("notch by notch") << std::vector<QPoint>{{0, -120}, {0, -120}, {0, 120}} << QPoint() << 47.0 << 3;
        QTest::addRow("past the minimum") << std::vector<QPoint>{{0, -120 * 30}} << QPoint() << 0.0 << 1;
        QTest::addRow("touchpad") << std::vector<QPoint>(kTouchpadSteps, kTouchpadAngle) << kTouchpadPixels << 50.0 << 0;
        QTest::addRow("sideways") << std::vector<QPoint>{{120, 0}} << QPoint() << 50.0 << 0;
    }

    void wheelOverAStepper()
    {
        QFETCH(std::vector<QPoint>, angles);
        QFETCH(QPoint, pixels);
        QFETCH(double, value);
        QFETCH(int, steps);
        ScrolledColumn over;
        over.stepper->setIncrement(3);
        QSignalSpy stepped(over.stepper, &Stepper::valueStepped);
        for (QPoint angle : angles)
            wheelOver(over.stepper, angle, pixels);
        QCOMPARE(over.stepper->value(), value);
        QCOMPARE(stepped.count(), steps);

        // What the same events do over the column where no control is.
        ScrolledColumn elsewhere;
        for (QPoint angle : angles)
            wheelOver(elsewhere.column, angle, pixels);
        QCOMPARE(over.scrolled(), steps > 0 ? 0 : elsewhere.scrolled());
        if (angles.front().y() < 0 && steps == 0)
            QVERIFY(elsewhere.scrolled() > 0);
    }

    // The two arrows fill the stepper, one above the other, neither cut off. A click on the
    // upper arrow steps up, on the lower one down; held, an arrow goes on stepping. The arrows
    // stay out of the Tab chain: the field beside them steps them.
    void stepperArrows()
    {
        ScrolledColumn column;
        Stepper* stepper = column.stepper;
        stepper->setIncrement(2);
        QSignalSpy stepped(stepper, &Stepper::valueStepped);
        QWidget* up = stepper->childAt(stepper->width() / 2, stepper->height() / 4);
        QWidget* down = stepper->childAt(stepper->width() / 2, stepper->height() * 3 / 4);
        QVERIFY(up && down && up != down);
        QCOMPARE(up->geometry().bottomLeft() + QPoint(0, 1), down->geometry().topLeft());
        QCOMPARE(up->geometry().united(down->geometry()), stepper->rect());
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(stepper->value(), 52.0);
        QTest::mouseClick(down, Qt::LeftButton);
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(stepper->value(), 48.0);
        QCOMPARE(stepped.count(), 3);

        QTest::mousePress(up, Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(stepper->value() >= 54.0, "a held arrow to step again", kPatienceMs);
        QTest::mouseRelease(up, Qt::LeftButton);

        column.panel.activateWindow();
        column.field->setFocus();
        QTRY_VERIFY2_WITH_TIMEOUT(column.field->hasFocus(), "the field to take the focus", kPatienceMs);
        QTest::keyClick(column.field, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), column.after);
    }

    // The wheel steps a field only while it is being worked in, after taking what was typed;
    // over any other field it scrolls the panel.
    void wheelOverAField()
    {
        ScrolledColumn column;
        QSignalSpy edited(column.field, &NumberField::numberEdited);
        QSignalSpy step(column.field, &NumberField::stepRequested);
        wheelOver(column.field, {0, -120});
        QCOMPARE(step.count(), 0);
        QVERIFY(column.scrolled() > 0);

        column.panel.verticalScrollBar()->setValue(0);
        column.panel.activateWindow();
        column.field->setFocus();
        QTRY_VERIFY2_WITH_TIMEOUT(column.field->hasFocus(), "the field to take the focus", kPatienceMs);
        QTest::keyClicks(column.field, "80");
        int stepsBeforeTheCommit = -1;
        connect(column.field, &NumberField::numberEdited, column.field, [&] { stepsBeforeTheCommit = int(step.count()); });
        wheelOver(column.field, {0, 240});
        QCOMPARE(edited.count(), 1);
        QCOMPARE(stepsBeforeTheCommit, 0);
        QCOMPARE(step.count(), 1);
        QCOMPARE(step.takeFirst().at(0).toInt(), 2);
        wheelOver(column.field, kTouchpadAngle, kTouchpadPixels);   // less than a notch: no step
        QCOMPARE(step.count(), 0);
        QCOMPARE(edited.count(), 1);   // nothing new typed, nothing to commit
    }

    // The range holds the value whichever way it is changed; a minimum above the maximum carries
    // the maximum along, and the other way round.
    void stepperRange_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("set");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("heldMinimum");
        QTest::addColumn<double>("heldMaximum");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::addRow("within") << 10.0 << 20.0 << 15.0 << 15.0 << 10.0 << 20.0;
        QTest::addRow("below") << 10.0 << 20.0 << 5.0 << 10.0 << 10.0 << 20.0;
        QTest::addRow("above") << 10.0 << 20.0 << 25.0 << 20.0 << 10.0 << 20.0;
        QTest::addRow("not a number") << 10.0 << 20.0 << nan << 10.0 << 10.0 << 20.0;
        QTest::addRow("maximum below the minimum") << 10.0 << 4.0 << 7.0 << 4.0 << 4.0 << 4.0;
    }

    void stepperRange()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, set);
        QFETCH(double, value);
        QFETCH(double, heldMinimum);
        QFETCH(double, heldMaximum);
        Stepper stepper;
        stepper.setMinimum(minimum);
        stepper.setMaximum(maximum);
        stepper.setValue(set);
        QCOMPARE(stepper.value(), value);
        QCOMPARE(stepper.minimum(), heldMinimum);
        QCOMPARE(stepper.maximum(), heldMaximum);
        // A new minimum above the value lifts it, and the maximum with it.
        stepper.setMinimum(heldMaximum + 5);
        QCOMPARE(stepper.value(), heldMaximum + 5);
        QCOMPARE(stepper.maximum(), heldMaximum + 5);
        // A new maximum below it brings it down.
        stepper.setMaximum(heldMinimum - 5);
        QCOMPARE(stepper.value(), heldMinimum - 5);
        QCOMPARE(stepper.minimum(), heldMinimum - 5);
    }

    // The swatch shows the colour itself while the well is enabled, faded towards the button
    // while it is not, and no colour at all (a box crossed out) when there is none.
    void swatch_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("enabled");
        QTest::addRow("red, enabled") << QColor(Qt::red) << true;
        QTest::addRow("dark blue, enabled") << QColor(20, 30, 140) << true;
        QTest::addRow("red, disabled") << QColor(Qt::red) << false;
        QTest::addRow("none, enabled") << QColor() << true;
        QTest::addRow("none, disabled") << QColor() << false;
    }

    void swatch()
    {
        QFETCH(QColor, color);
        QFETCH(bool, enabled);
        ColorWell well;
        well.resize(well.sizeHint());
        well.setColor(color);
        well.setEnabled(enabled);
        QPushButton button;   // what the well shows around its swatch
        button.resize(well.size());
        button.setEnabled(enabled);
        const QImage shown = shot(well);
        const QImage plain = shot(button);
        const auto seen = [&shown](QPoint at) { return shown.pixel(at); };
        const auto face = [&plain](QPoint at) { return plain.pixel(at); };
        // The swatch stands well inside the button, framed, and fills most of it.
        const QRect frame = well.rect().adjusted(6, 6, -5, -5);
        const QRect inside = frame.adjusted(1, 1, -1, -1);
        const int middle = frame.center().y();
        const QPoint beyond(frame.left() - 2, middle);
        QCOMPARE(seen(beyond), face(beyond));
        if (color.isValid()) {
            for (const QPoint& at : {inside.topLeft(), inside.bottomRight(), inside.center()}) {
                if (enabled)
                    QCOMPARE(seen(at), color.rgb());
                else   // faded towards the button's face
                    QVERIFY2(liesBetween(seen(at), face(at), color.rgb()), qPrintable(QString::number(seen(at), 16)));
            }
            const QRgb shadow = well.palette().color(QPalette::Shadow).rgb();
            for (const QPoint& at : {frame.topLeft(), frame.bottomRight(), QPoint(frame.left(), middle)})
                QVERIFY(enabled ? seen(at) == shadow : seen(at) != shadow && seen(at) != face(at));
            return;
        }
        // No fill: along the middle row only the line that crosses the box out differs from a
        // plain button, in the palette's mid colour, as the frame is.
        const QRgb mid = well.palette().color(QPalette::Mid).rgb();
        int crossing = 0;
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QPoint at(x, middle);
            if (seen(at) != face(at)) {
                QCOMPARE(seen(at), mid);
                ++crossing;
            }
        }
        QVERIFY2(crossing >= 1 && crossing <= 3, qPrintable(QString::number(crossing)));
        for (const QPoint& at : {frame.topLeft(), frame.bottomRight(), QPoint(frame.left(), middle)})
            QCOMPARE(seen(at), mid);
    }

    // A click opens the colour dialog, named after the well, on the well's colour, with an alpha
    // channel; the colour chosen there becomes the well's, and cancelling changes nothing.
    void colorDialog_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QColor>("offered");
        QTest::addColumn<QColor>("chosen");
        QTest::addColumn<bool>("accept");
        const QColor translucent(0, 128, 255, 100);
        QTest::addRow("a pen's colour") << QColor(Qt::red) << "Pen colour" << "Pen colour" << QColor(Qt::red)
                                        << translucent << true;
        QTest::addRow("no colour, no name") << QColor() << "" << "Choose a Colour" << QColor(Qt::black)
                                            << QColor(Qt::green) << true;
        QTest::addRow("cancelled") << QColor(Qt::red) << "Fill colour" << "Fill colour" << QColor(Qt::red)
                                   << translucent << false;
    }

    void colorDialog()
    {
        QFETCH(QColor, color);
        QFETCH(QString, toolTip);
        QFETCH(QString, title);
        QFETCH(QColor, offered);
        QFETCH(QColor, chosen);
        QFETCH(bool, accept);
        ColorWell well;
        well.setColor(color);
        well.setToolTip(toolTip);
        well.show();
        QSignalSpy picked(&well, &ColorWell::colorPicked);
        QTest::mouseClick(&well, Qt::LeftButton);
        QColorDialog* dialog = openColorDialog();
        QVERIFY2(dialog, "a colour dialog open after the click");
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->currentColor(), offered);
        QVERIFY(dialog->testOption(QColorDialog::ShowAlphaChannel));
        dialog->setCurrentColor(chosen);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!openColorDialog());
        QCOMPARE(well.color(), accept ? chosen : color);
        QCOMPARE(picked.count(), accept ? 1 : 0);
    }

    // A committed text that is not wholly a number tints the field and says, as its tooltip,
    // what is read from it and why; a number again brings the field's own tooltip back.
    void markedFieldSaysWhy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        QTest::addRow("empty") << "" << "The field is empty: 0 is used.";
        QTest::addRow("blanks") << "   " << "The field is empty: 0 is used.";
        QTest::addRow("letters") << "abc" << "“abc” is not a number: 0 is used.";
        QTest::addRow("a word for infinity") << "inf" << "“inf” is not a number: 0 is used.";
        QTest::addRow("too large") << "1e39" << "The number is too large: inf is used.";
        QTest::addRow("number, then letters") << "72.5mm" << "Only the number at the start is read: 72.5 is used.";
        QTest::addRow("two numbers") << "12 34" << "Only the number at the start is read: 12 is used.";
    }

    void markedFieldSaysWhy()
    {
        QFETCH(QString, text);
        QFETCH(QString, why);
        NumberField field;
        field.setToolTip("Anchor radius");
        const QColor plainBase = field.palette().color(QPalette::Base);
        QSignalSpy edited(&field, &NumberField::numberEdited);
        typeInto(&field, text);
        QCOMPARE(edited.count(), 1);
        QVERIFY(field.isMarkedInvalid());
        QCOMPARE(field.toolTip(), why);
        QVERIFY(field.palette().color(QPalette::Base) != plainBase);
        // Marked again with another reason, then cleared: the field's own tooltip, untinted.
        typeInto(&field, "x");
        QCOMPARE(field.toolTip(), QString("“x” is not a number: 0 is used."));
        typeInto(&field, " 120 ");
        QVERIFY(!field.isMarkedInvalid());
        QCOMPARE(field.toolTip(), QString("Anchor radius"));
        QCOMPARE(field.palette().color(QPalette::Base), plainBase);
    }

    // The mark comes with a commit, not while a number is being typed, and goes as soon as the
    // text is a number again; a text set from a file is marked alike but sends nothing.
    void markComesWithACommit()
    {
        NumberField field;
        QSignalSpy edited(&field, &NumberField::numberEdited);
        field.setFocus();
        QTest::keyClicks(&field, "1e");
        QVERIFY(!field.isMarkedInvalid());
        QTest::keyClick(&field, Qt::Key_Return);
        QVERIFY(field.isMarkedInvalid());
        QTest::keyClicks(&field, "5");
        QVERIFY(!field.isMarkedInvalid());
        QCOMPARE(edited.count(), 1);
        field.setCommittedText("7 cm");
        QVERIFY(field.isMarkedInvalid());
        QCOMPARE(field.toolTip(), QString("Only the number at the start is read: 7 is used."));
        QCOMPARE(edited.count(), 1);
        field.commitPendingEdit();   // nothing typed since
        QCOMPARE(edited.count(), 1);
    }

    // A slider set from code holds the value within its range and sends nothing; a user's move
    // sends valueEdited.
    void floatSlider_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<float>("set");
        QTest::addColumn<float>("shown");
        QTest::addRow("tenths") << 10.0 << 2.5f << 2.5f;
        QTest::addRow("rounded to a step") << 10.0 << 2.54f << 2.5f;
        QTest::addRow("above the range") << 10.0 << 50.0f << 20.0f;
        QTest::addRow("below the range") << 10.0 << -3.0f << 0.0f;
        QTest::addRow("not a number") << 10.0 << std::numeric_limits<float>::quiet_NaN() << 0.0f;
        QTest::addRow("a scale of 0 counts as 1") << 0.0 << 7.0f << 7.0f;
    }

    void floatSlider()
    {
        QFETCH(double, scale);
        QFETCH(float, set);
        QFETCH(float, shown);
        FloatSlider slider;
        slider.setScale(scale);
        slider.setRange(0, 200);
        QSignalSpy edited(&slider, &FloatSlider::valueEdited);
        slider.setFloatValue(set);
        QCOMPARE(slider.floatValue(), shown);
        QCOMPARE(edited.count(), 0);
        // A step towards the middle of the range: a user's change.
        QTest::keyClick(&slider, slider.value() < slider.maximum() ? Qt::Key_Right : Qt::Key_Left);
        QCOMPARE(edited.count(), 1);
    }

    // The gradient bar by mouse: a click on the bar adds a stop of the colour there and chooses
    // it, a drag moves it past another, a double-click recolours it; never more than 8 stops.
    void gradientBarByMouse()
    {
        GradientBar bar;
        bar.resize(212, bar.sizeHint().height());   // the bar runs from x 6 to 206: 2 px a hundredth
        bar.setStops({{0, QColor(0, 0, 0)}, {1, QColor(200, 100, 0)}});
        bar.setPickColour([](const QColor&, QWidget*) { return QColor(0, 0, 255, 128); });
        QSignalSpy edits(&bar, &GradientBar::stopsEdited);
        const int barY = 5, handleY = 24;
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(106, barY));   // half way
        QCOMPARE(bar.stops().size(), 3);
        QCOMPARE(bar.currentStop(), 1);
        QCOMPARE(bar.stops()[1].second, QColor(100, 50, 0));
        QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(106, handleY));
        QMouseEvent drag(QEvent::MouseMove, QPointF(6, handleY), bar.mapToGlobal(QPointF(6, handleY)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&bar, &drag);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(6, handleY));
        QCOMPARE(bar.stops()[1].first, 0.0);   // after the stop already at 0, and still chosen
        QCOMPARE(bar.currentStop(), 1);
        QTest::mouseDClick(&bar, Qt::LeftButton, {}, QPoint(6, handleY));
        QCOMPARE(bar.stops()[1].second, QColor(0, 0, 255, 128));
        QVERIFY(bar.accessibleDescription().contains(QStringLiteral("Stop 2 of 3 at 0 %, #800000ff")));
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(6, barY));   // where two stops meet: the first one's colour
        QCOMPARE(bar.stops()[2], QGradientStop(0, QColor(0, 0, 0)));
        for (int x = 20; x < 200; x += 20)
            QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(x, barY));
        QCOMPARE(bar.stops().size(), 8);
        QVERIFY(edits.size() >= 8);
        QCOMPARE(edits.last().first().value<QGradientStops>(), bar.stops());
    }

    // A click on a stop's handle chooses it, the first one too while another is chosen; a click
    // on the bar elsewhere adds a stop there and chooses it. Either shows at once, and each handle
    // is painted in its stop's colour.
    void gradientBarClick_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("stops");
        QTest::addColumn<int>("chosen");
        // The bar runs from x 6 to 206, its handles from y 21 to 31.
        QTest::addRow("the first stop") << QPoint(6, 26) << 3 << 0;
        QTest::addRow("the last stop") << QPoint(206, 26) << 3 << 2;
        QTest::addRow("the bar, a quarter of the way") << QPoint(56, 5) << 4 << 1;
    }

    void gradientBarClick()
    {
        QFETCH(QPoint, at);
        QFETCH(int, stops);
        QFETCH(int, chosen);
        QWidget window;
        auto* bar = new GradientBar(&window);
        bar->resize(212, bar->sizeHint().height());
        bar->setStops({{0, Qt::red}, {0.5, Qt::green}, {1, Qt::blue}});
        window.show();
        bar->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(bar, Qt::Key_Tab);   // the middle stop chosen
        QCoreApplication::processEvents();
        const EventWatcher painted(bar, QEvent::Paint);
        QTest::mouseClick(bar, Qt::LeftButton, {}, at);
        QCOMPARE(bar->stops().size(), stops);
        QCOMPARE(bar->currentStop(), chosen);
        QTRY_VERIFY_WITH_TIMEOUT(painted.count > 0, kPatienceMs);
        const QImage shown = shownBy(*bar);
        for (const QGradientStop& stop : bar->stops())
            QCOMPARE(shown.pixel(6 + qRound(stop.first * 200), 27), stop.second.rgba());
    }

    // The gradient bar by keys: Tab and Shift+Tab go from stop to stop and then leave, the arrows
    // move the chosen stop, Home and End send it to an end, Delete removes it while more than two
    // are left; a screen reader hears which stop is chosen, where, and its colour.
    void gradientBarByKeys()
    {
        QWidget window;
        auto* bar = new GradientBar(&window);
        auto* after = new QLineEdit(&window);
        bar->setStops({{0, Qt::red}, {0.5, Qt::green}, {1, Qt::blue}});
        window.show();
        bar->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(bar, Qt::Key_Tab);
        QCOMPARE(bar->currentStop(), 1);
        QTest::keyClick(bar, Qt::Key_Backtab);
        QCOMPARE(bar->currentStop(), 0);
        QTest::keyClick(bar, Qt::Key_Tab);
        QTest::keyClick(bar, Qt::Key_Right);
        QTest::keyClick(bar, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(std::abs(bar->stops()[1].first - 0.61) < 1e-9);
        QCOMPARE(bar->accessibleDescription(), "Stop 2 of 3 at 61 %, #00ff00");
        QTest::keyClick(bar, Qt::Key_End);
        QCOMPARE(bar->stops()[2], QGradientStop(1, QColor(Qt::green)));   // after blue, chosen
        QCOMPARE(bar->currentStop(), 2);
        QTest::keyClick(bar, Qt::Key_Delete);
        QTest::keyClick(bar, Qt::Key_Delete);
        QCOMPARE(bar->stops(), (QGradientStops{{0, Qt::red}, {1, Qt::blue}}));
        QTest::keyClick(bar, Qt::Key_Tab);
        QTRY_VERIFY_WITH_TIMEOUT(after->hasFocus(), kPatienceMs);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
