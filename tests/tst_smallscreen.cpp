// The dialogs on a small screen: 1600 × 1000 pixels at twice the scale, 800 × 500 for the
// widgets, the same screen less what a desktop keeps for its panel and a title bar, and a laptop's
// 1366 × 768. The
// program makes the screens itself (the offscreen platform takes a screen layout), so that every
// dialog is opened, sized and placed on them as on a user's.

#include "app/AppDelegate.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMainWindow>
#include <QPageSetupDialog>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

namespace {

// The second screen is the first less what a desktop keeps for its panel and a window's title
// bar: 64 of its 500 rows.
constexpr char kScreenLayout[] = R"({"screens": [
    {"name": "small", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 192, "logicalBaseDpi": 96, "dpr": 1},
    {"name": "less furniture", "x": 1600, "y": 0, "width": 1600, "height": 872, "logicalDpi": 192, "logicalBaseDpi": 96, "dpr": 1},
    {"name": "laptop", "x": 3200, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
const QStringList kScreenNames{"small", "less furniture", "laptop"};
const QList<QSize> kLogicalScreens{{800, 500}, {800, 436}, {1366, 768}};

QScreen* screenNamed(const QString& name)
{
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name)
            return screen;
    return nullptr;
}

// The dialog that `open` opened over the window, once it shows.
QDialog* shownDialog(QMainWindow* window)
{
    for (QDialog* dialog : window->findChildren<QDialog*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

// Whether a widget in the dialog can be seen: scrolled into view where it sits in a scroll
// area, then wholly inside the dialog and inside what the scroll area shows.
bool canBeReached(QDialog* dialog, QWidget* widget)
{
    QWidget* viewport = nullptr;
    for (QWidget* above = widget->parentWidget(); above && above != dialog; above = above->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(above)) {
            // The whole widget, not only where a field's cursor is.
            const QPoint centre = widget->mapTo(scroll->widget(), widget->rect().center());
            scroll->ensureVisible(centre.x(), centre.y(), widget->width() / 2 + 1, widget->height() / 2 + 1);
            viewport = scroll->viewport();
        }
    const QRect inDialog(widget->mapTo(dialog, QPoint()), widget->size());
    const bool inView = !viewport || QRect(viewport->mapTo(dialog, QPoint()), viewport->size()).contains(inDialog);
    return widget->isVisibleTo(dialog) && dialog->rect().contains(inDialog) && inView;
}

// Whether a widget shows whole in the dialog as it opened, nothing scrolled.
bool isInView(QDialog* dialog, QWidget* widget)
{
    QRect shown(widget->mapTo(dialog, QPoint()), widget->size());
    for (QWidget* above = widget->parentWidget(); above && above != dialog; above = above->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(above))
            shown = shown.intersected(QRect(scroll->viewport()->mapTo(dialog, QPoint()), scroll->viewport()->size()));
    return widget->isVisibleTo(dialog) && shown.size() == widget->size() && dialog->rect().contains(shown);
}

void verifyFits(QDialog* dialog, const QRect& available, const QStringList& options)
{
    // Where the dialog lands is the window system's to choose: it needs to be on the screen, and
    // no larger than what it can show.
    const QRect frame = dialog->frameGeometry();
    QVERIFY2(available.contains(frame.topLeft()) && frame.width() <= available.width() && frame.height() <= available.height(),
             qPrintable(QStringLiteral("%1 x %2 at (%3, %4)").arg(frame.width())
                                                       .arg(frame.height()).arg(frame.x()).arg(frame.y())));
    for (QDialogButtonBox* buttons : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* button : buttons->buttons())
            if (button->isVisibleTo(dialog))
                QVERIFY2(canBeReached(dialog, button), qPrintable(button->text()));
    for (const QString& name : options) {
        QList<QAbstractButton*> group;   // a button group is reached by its buttons
        if (auto* buttons = dialog->findChild<QButtonGroup*>(name))
            group = buttons->buttons();
        QWidget* field = dialog->findChild<QWidget*>(name);
        QVERIFY2(field || !group.isEmpty(), qPrintable(name + QStringLiteral(" is missing")));
        // Every option in view as the dialog opens, where the screen's height is a whole 500 units.
        const bool wholeScreen = available.height() >= 500;
        for (QWidget* widget : field ? QList<QWidget*>{field} : QList<QWidget*>(group.begin(), group.end())) {
            QVERIFY2(!wholeScreen || isInView(dialog, widget), qPrintable(name + QStringLiteral(" is out of view")));
            QVERIFY2(canBeReached(dialog, widget), qPrintable(name));
        }
    }
}

}

class TestSmallScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useFreshSettings();
        for (int i = 0; i < kLogicalScreens.size(); ++i) {
            QVERIFY2(screenNamed(kScreenNames[i]), qPrintable(kScreenNames[i]));
            QCOMPARE(screenNamed(kScreenNames[i])->availableGeometry().size(), kLogicalScreens[i]);
        }
    }

    // Each dialog opens within the free area of the window's screen, and its buttons and every
    // option can be reached, by scrolling where they do not fit.
    void dialogsFitTheScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("options");   // object names of the fields to reach
        for (const QString& screen : kScreenNames) {
            const QByteArray name = screen.toUtf8();
            QTest::addRow("PNG export, %s", name.constData())
                << screen << "actionExport" << QStringList{"savePixelSize", "enlargeOption", "pngDotsPerInch", "pngPrintedSize"};
            const QStringList plotOptions{"paperSize", "paperOrientation", "pageWidth", "pageHeight", "pageMargin",
                                          "drawingSize", "penWidth", "simplifyTolerance", "fillStyle", "hatchSpacing",
                                          "hatchAngle", "crossHatch", "plotterSpeed", "plotCost", "plotPreview"};
            QTest::addRow("SVG export, %s", name.constData()) << screen << "actionExportSvg" << plotOptions;
            QTest::addRow("PDF export, %s", name.constData()) << screen << "actionExportPdf" << plotOptions;
            QTest::addRow("print, %s", name.constData()) << screen << "actionPrint" << QStringList();
            QTest::addRow("page setup, %s", name.constData()) << screen << "actionPageSetup" << QStringList();
        }
    }

    void dialogsFitTheScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, action);
        QFETCH(QStringList, options);
        AppDelegate app;
        app.applicationDidFinishLaunching();
        QMainWindow* window = app.mainWindow();
        const QRect available = screenNamed(screen)->availableGeometry();
        window->setGeometry(available);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->screen(), screenNamed(screen));

        // Page setup waits in its own loop until answered: each dialog is looked at, and
        // closed, from the event loop.
        bool looked = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            QDialog* dialog = shownDialog(window);
            if (!dialog || looked)
                return;
            looked = true;
            verifyFits(dialog, available, options);
            dialog->reject();
        });
        look.start(10);
        window->findChild<QAction*>(action)->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(looked, "the dialog did not show", kPatienceMs);
    }
};

int main(int argc, char* argv[])
{
    // The screen is given to the offscreen platform, which the tests run on, as a layout file.
    QTemporaryFile layout;
    if (!layout.open() || layout.write(kScreenLayout) != qint64(sizeof kScreenLayout - 1) || !layout.flush())
        return 1;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + layout.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    TestSmallScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
