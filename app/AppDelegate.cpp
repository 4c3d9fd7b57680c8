#include "app/AppDelegate.h"

#include "app/AboutBox.h"
#include "app/ChangeRecording.h"
#include "app/CurveCommands.h"
#include "app/DesignArt.h"
#include "app/DesignClipboard.h"
#include "app/DesignCode.h"
#include "app/DesignControls.h"
#include "app/DesignDocument.h"
#include "app/DesignFiles.h"
#include "app/DesignFormat.h"
#include "app/GalleryDialog.h"
#include "app/Notice.h"
#include "app/RandomDesign.h"
#include "app/RecentFiles.h"
#include "app/StatusLine.h"
#include "art/CurveClosure.h"
#include "output/ExportDialog.h"
#include "output/PngExport.h"
#include "output/Printing.h"
#include "output/VectorExport.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QRandomGenerator>
#include <QShortcut>
#include <QStatusBar>
#include <QThreadPool>
#include <QToolButton>
#include <QUndoStack>

#if QT_CONFIG(printdialog)
#include <QPageSetupDialog>
#include <QPrintDialog>
#endif

#include <chrono>
#include <csignal>
#include <cmath>
#include <thread>

namespace {

const QString kDrawSlowlyTitle = QStringLiteral("Draw Slowly");
const QString kStopDrawingTitle = QStringLiteral("Stop Drawing");
constexpr std::chrono::milliseconds kFramePause{50};
constexpr float kNoSlowDrawing = -1;
constexpr float kFinalPercent = 100;
// The Wheels group's rows that the window's file leaves for the sizes, the nested wheels and the
// tooth pitch.
constexpr int kSizesRow = 0;
constexpr int kNestedWheelsRow = 4;
constexpr int kToothPitchRow = 8;

std::function<void(const std::atomic<bool>&)>& framePauseHook()
{
    static std::function<void(const std::atomic<bool>&)> hook;
    return hook;
}

// As many revolutions as the stepper goes to: the most that a design is looked at closing within.
int mostRevolutions(const QPointer<Stepper>& revolutions)
{
    return revolutions ? truncatedToInt(float(revolutions->maximum())) : 0;
}

// A standard command's keys. Some platforms bind none to Save As (Windows, X11 without a
// desktop) or to Quit (Windows): then the keys that the desktops that have one use.
void setStandardShortcut(QAction* action, QKeySequence::StandardKey key, const QKeySequence& fallback)
{
    action->setShortcuts(key);
    if (action->shortcuts().isEmpty())
        action->setShortcut(fallback);
}

// Keys that users of other drawing programs reach for, beside the platform's own.
void addShortcut(QAction* action, const QKeySequence& keys)
{
    QList<QKeySequence> shortcuts = action->shortcuts();
    if (!shortcuts.contains(keys))
        action->setShortcuts(shortcuts << keys);
}

}

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
    , m_window(std::make_unique<MainWindow>())
{
    Q_INIT_RESOURCE(rotagraph);
    m_ui->setupUi(m_window.get());
    // Reading the icon's images takes a fifth of the start: it follows the first picture.
    connect(m_ui->artView, &Rotagraph::drawn, m_window.get(), [window = m_window.get()] {
        window->setWindowIcon(applicationIcon());
    }, Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    m_statusLine = new StatusLine(m_window->statusBar());
    bindControls();
    m_document = std::make_unique<DesignDocument>(
        m_window.get(), [this] { return windowState(); }, [this](const WindowState& state) { putBack(state); });
    connectActions();
    recordChangesOf(m_controls, *m_document);
    connectCurves();
    connectMenus();
    connectDocument();
    m_window->restorePlacement();
}

AppDelegate::~AppDelegate()
{
    // A slow drawing posts to this controller: stop it and wait for its worker before going.
    setCancelDrawing(true);
    if (m_operationQueue)
        m_operationQueue->waitForDone();
}

void AppDelegate::bindControls()
{
    Ui::MainWindow& ui = *m_ui;
    m_artView = ui.artView;
    m_controls = {{{{ui.anchorRadiusInput, ui.anchorRadiusStepper},
                    {ui.runnerRadiusInput, ui.runnerRadiusStepper},
                    {ui.penRadiusInput, ui.penRadiusStepper},
                    {ui.revolutionsInput, ui.revolutionsStepper}}},
                  ui.showAnchorCheckbox, ui.closeCurveCheckbox, ui.fillCheckbox, ui.wheelGrease,
                  ui.limitRotations, ui.confinePen, ui.useSecondColorCheck, ui.useThirdColorCheck,
                  ui.colorPicker, ui.secondColor, ui.thirdColor, ui.fillColorPicker,
                  ui.penWidthSlider, ui.drawSpeedControl, ui.drawSlowButton, ui.runnerPosition,
                  ui.penWidthInput,
                  new ColouringControls({ui.colourMode,
                                         {ui.colorPicker, ui.useSecondColorCheck, ui.secondColor,
                                          ui.useThirdColorCheck, ui.thirdColor},
                                         ui.gradientPreset, ui.gradientBar, ui.gradientRepeat, ui.gradientMirror,
                                         ui.revolutionBlend, ui.inkOpacitySlider, ui.inkOpacityInput},
                                        m_window.get()),
                  ui.preciseCurve, nullptr};
    setSliderRange(*ui.penWidthSlider, kPenWidthRange);
    setSliderRange(*ui.drawSpeedControl, kDrawSpeedRange);
    showValueOfSliderIn(*ui.penWidthInput, *ui.penWidthSlider);
    // The radio buttons carry their tags as properties; the group answers with them.
    for (QAbstractButton* button : ui.runnerPosition->buttons())
        ui.runnerPosition->setId(button, tagOf(button));

    m_controls.wheels = new WheelControls({ui.wheelsLayout,
                                           {ui.anchorRadiusLabel, ui.anchorRadiusInput, ui.anchorRadiusStepper},
                                           {ui.runnerRadiusLabel, ui.runnerRadiusInput, ui.runnerRadiusStepper},
                                           {ui.penRadiusLabel, ui.penRadiusInput, ui.penRadiusStepper},
                                           kSizesRow, kNestedWheelsRow, kToothPitchRow, ui.actionAddWheel,
                                           ui.actionRemoveWheel},
                                          loadGearKit(QStringLiteral(":/gear-kit.json")),
                                          [this](const ChosenRadii& radii) { enterRadii(radii); }, m_window.get());

    // Extra wells start with colours of their own; they supply the pens when turned on.
    m_controls.secondColor->setColor(CurveDesign().pen2Color);
    m_controls.thirdColor->setColor(CurveDesign().pen3Color);
}

void AppDelegate::connectActions()
{
    Ui::MainWindow& ui = *m_ui;
    for (const NumericControls& numeric : m_controls.numeric) {
        connect(numeric.stepper, &Stepper::valueStepped, this,
                [this, stepper = numeric.stepper] { stepperChanged(stepper); });
        connect(numeric.input, &NumberField::numberEdited, this,
                [this, input = numeric.input] { numberTyped(input); });
        // The arrow keys in a field step it as its stepper's arrows do.
        connect(numeric.input, &NumberField::stepRequested, numeric.stepper, &Stepper::stepBy);
    }
    const auto onClick = [this](QAbstractButton* button, void (AppDelegate::*action)(QObject*)) {
        connect(button, &QAbstractButton::clicked, this, [this, button, action] { (this->*action)(button); });
    };
    onClick(ui.showAnchorCheckbox, &AppDelegate::toggleShowAnchor);
    onClick(ui.closeCurveCheckbox, &AppDelegate::toggleCloseCurve);
    onClick(ui.fillCheckbox, &AppDelegate::fillBoxToggle);
    onClick(ui.useSecondColorCheck, &AppDelegate::twoColorClick);
    onClick(ui.useThirdColorCheck, &AppDelegate::threeColorClick);
    onClick(ui.drawSlowButton, &AppDelegate::drawSlowButton);
    for (QCheckBox* checkbox : {ui.limitRotations, ui.wheelGrease, ui.confinePen, ui.preciseCurve})
        onClick(checkbox, &AppDelegate::drawNowAction);
    connect(ui.runnerPosition, &QButtonGroup::idClicked, this, [this](int side) {
        m_controls.wheels->runnerSideChanged(side == kInsideTag);
        drawNowAction(m_controls.runnerPosition);
    });
    connect(m_controls.wheels, &WheelControls::edited, this, [this] {
        confinePenToRunner();
        drawNow();
        if (m_controls.wheels->sizes() == WheelSizes::Teeth && !m_controls.wheels->kitProblem().isEmpty())
            m_statusLine->showNote(tr("%1 Teeth can still be typed.").arg(m_controls.wheels->kitProblem()));
    });
    for (ColorWell* well : {ui.colorPicker, ui.secondColor, ui.thirdColor, ui.fillColorPicker})
        connect(well, &ColorWell::colorPicked, this, [this, well] { drawNowAction(well); });
    connect(ui.penWidthSlider, &FloatSlider::valueEdited, this,
            [this] { drawNowAction(m_controls.penWidthSlider); });
    connect(ui.penWidthInput, &NumberField::numberEdited, this, [this] { drawNowAction(m_controls.penWidthSlider); });
    connect(m_controls.colouring, &ColouringControls::colouringEdited, this,
            [this](const CurveColouring&, QWidget* control) { drawNowAction(control); });
    connect(ui.drawSpeedControl, &QSlider::valueChanged, this, [this] {
        m_ui->drawSpeedValue->setText(QString::number(double(floatValueOf(m_controls.drawSpeedControl))));
    });

    connect(ui.artView, &Rotagraph::drawn, this, &AppDelegate::showDrawingStatus);
    connect(ui.artView, &Rotagraph::drawingProgressed, m_statusLine, &StatusLine::showDrawingProgress);
    connect(ui.artView, &Rotagraph::zoomChanged, this, [this] {
        const QSignalBlocker quiet(m_ui->actionFitToWindow);
        m_ui->actionFitToWindow->setChecked(m_artView && m_artView->zoom().fitsToWindow());
    });
    // Escape stops a slow drawing, as the button does.
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), m_window.get());
    connect(stop, &QShortcut::activated, this, [this] {
        if (m_controls.drawSlowButton && m_controls.drawSlowButton->text() == kStopDrawingTitle)
            drawSlowButton(m_controls.drawSlowButton);
    });
}

void AppDelegate::connectMenus()
{
    Ui::MainWindow& ui = *m_ui;
    setStandardShortcut(ui.actionNewDesign, QKeySequence::New, Qt::CTRL | Qt::Key_N);
    connect(ui.actionNewDesign, &QAction::triggered, this, &AppDelegate::newDesign);
    connect(ui.actionNewFromGallery, &QAction::triggered, this, &AppDelegate::newFromGallery);
    ui.actionExport->setShortcut(Qt::CTRL | Qt::Key_E);
    connect(ui.actionExport, &QAction::triggered, this, [this] { save(m_ui->actionExport); });
    ui.actionExportSvg->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
    connect(ui.actionExportSvg, &QAction::triggered, this, [this] { exportVector(VectorFormat::Svg); });
    ui.actionExportPdf->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    connect(ui.actionExportPdf, &QAction::triggered, this, [this] { exportVector(VectorFormat::Pdf); });
    setStandardShortcut(ui.actionQuit, QKeySequence::Quit, Qt::CTRL | Qt::Key_Q);
    ui.actionQuit->setMenuRole(QAction::QuitRole);
    connect(ui.actionQuit, &QAction::triggered, m_window.get(), &QMainWindow::close);
    // One window holds the one design: closing it is closing the design.
    setStandardShortcut(ui.actionClose, QKeySequence::Close, Qt::CTRL | Qt::Key_W);
    connect(ui.actionClose, &QAction::triggered, m_window.get(), &QMainWindow::close);
#if QT_CONFIG(printdialog)
    setStandardShortcut(ui.actionPrint, QKeySequence::Print, Qt::CTRL | Qt::Key_P);
    connect(ui.actionPrint, &QAction::triggered, this, [this] { print(m_ui->actionPrint); });
    connect(ui.actionPageSetup, &QAction::triggered, this, [this] { pageSetup(m_ui->actionPageSetup); });
#else
    ui.actionPrint->setVisible(false);
    ui.actionPageSetup->setVisible(false);
#endif

    ui.actionFitToWindow->setShortcut(Qt::CTRL | Qt::Key_F);
    ui.actionActualSize->setShortcut(Qt::CTRL | Qt::Key_0);
    setStandardShortcut(ui.actionZoomIn, QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Plus);
    addShortcut(ui.actionZoomIn, Qt::CTRL | Qt::Key_Equal);   // + without Shift
    setStandardShortcut(ui.actionZoomOut, QKeySequence::ZoomOut, Qt::CTRL | Qt::Key_Minus);
    Rotagraph* art = ui.artView;
    connect(ui.actionFitToWindow, &QAction::toggled, art,
            [art](bool fit) { fit ? art->fitToWindow() : art->actualSize(); });
    connect(ui.actionActualSize, &QAction::triggered, art, &Rotagraph::actualSize);
    connect(ui.actionZoomIn, &QAction::triggered, art, &Rotagraph::zoomIn);
    connect(ui.actionZoomOut, &QAction::triggered, art, &Rotagraph::zoomOut);

    ui.actionAbout->setMenuRole(QAction::AboutRole);
    connect(ui.actionAbout, &QAction::triggered, this, [this] { showAboutRotagraph(m_window.get()); });
    ui.actionAboutQt->setMenuRole(QAction::AboutQtRole);
    connect(ui.actionAboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // A write beyond a file size limit fails like a full disk, with a message, instead of
    // ending the program with the unsaved design.
    std::signal(SIGXFSZ, SIG_IGN);
    newMenuSelected(nullptr);
    m_operationQueue = std::make_unique<QThreadPool>();
    setCancelDrawing(false);
    m_document->begin();
}

void AppDelegate::newMenuSelected(QObject* /*sender*/)
{
    setCancelDrawing(true);   // a slow drawing under way stops after its frame
    if (m_artView) {
        Rotagraph& art = *m_artView;
        art.setAnchorRadius(160);
        art.setRunnerRadius(72);
        art.setPenHoleRadius(53);
        art.setRotationsToMake(9);
        art.setPenDrawSize(1);
        art.setShowAnchor(false);
        art.setCloseCurve(false);
        art.setFillShape(false);
        art.setGreaseIt(false);
        art.setPenColor(Qt::red);
        art.setFillColor(Qt::yellow);
        art.setPercentToDraw(100);
        art.setColouring(CurveColouring());
    }
    syncAllControlsToArt();
    // Turning the second colour on and clicking it off again drops to one colour and draws.
    setOn(m_controls.useSecondColorCheck, true);
    if (m_controls.useSecondColorCheck)
        m_controls.useSecondColorCheck->click();
}

void AppDelegate::openFromCommandLine(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    m_files->openFile(paths.first());
    if (paths.size() > 1 && m_statusLine)
        m_statusLine->showNote(tr("Opened the first of %n files; a window shows one design at a time.", nullptr,
                                  int(paths.size())));
}

void AppDelegate::syncAllControlsToArt()
{
    if (!m_artView)
        return;
    const Rotagraph& art = *m_artView;
    const float values[] = {art.anchorRadius(), art.runnerRadius(), art.penHoleRadius(), art.rotationsToMake()};
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        setFloatValueOf(m_controls.numericControls(tag)->stepper, values[tag - 1]);
        setFloatValueOf(m_controls.numericControls(tag)->input, values[tag - 1]);
    }
    setOn(m_controls.showAnchorCheckbox, art.showAnchor());
    setOn(m_controls.closeCurveCheckbox, art.closeCurve());
    setOn(m_controls.fillCheckbox, art.fillShape());
    setOn(m_controls.wheelGrease, art.greaseIt());
    setColorOf(m_controls.colorPicker, art.penColor());
    setColorOf(m_controls.fillColorPicker, art.fillColor());
    setFloatValueOf(m_controls.penWidthSlider, art.penDrawSize());
    setOn(m_controls.limitRotations, false);
    setOn(m_controls.confinePen, art.penHoleRadius() < art.runnerRadius());
    setOn(m_controls.preciseCurve, art.precise());
    if (m_controls.runnerPosition && m_controls.runnerPosition->button(kOutsideTag))
        m_controls.runnerPosition->button(kOutsideTag)->setChecked(true);
    if (m_controls.colouring)
        m_controls.colouring->setColouring(art.colouring());
}

void AppDelegate::drawNow()
{
    if (!m_artView)
        return;
    Rotagraph& art = *m_artView;
    const float anchor = floatValueOf(anchorRadiusInput());
    const float runner = floatValueOf(runnerRadiusInput());
    art.setAnchorRadius(anchor);
    art.setRunnerRadius(runner);
    if (m_controls.runnerPosition && m_controls.runnerPosition->checkedId() == kInsideTag)
        art.setRunnerRadius(-runner);
    art.setPenHoleRadius(floatValueOf(penRadiusInput()));
    art.setPenDrawSize(floatValueOf(m_controls.penWidthSlider));
    art.setPenColor(colorOf(m_controls.colorPicker));
    art.setPen2Color(colorOf(m_controls.secondColor));
    art.setPen3Color(colorOf(m_controls.thirdColor));
    art.setNumberOfColors(m_colorsInUse);
    art.setFillColor(colorOf(m_controls.fillColorPicker));
    art.setDrawMode(ScreenMode);
    art.setRotationsToMake(floatValueOf(revolutionsInput()));
    if (isOn(m_controls.limitRotations)) {
        const float cap = revolutionLimit(anchor, runner);
        const float revolutions = std::min(art.rotationsToMake(), cap);
        art.setRotationsToMake(std::isnan(revolutions) ? cap : revolutions);
        setFloatValueOf(m_controls.numericControls(RevolutionsTag)->stepper, art.rotationsToMake());
        setFloatValueOf(m_controls.numericControls(RevolutionsTag)->input, art.rotationsToMake());
    }
    art.setGreaseIt(isOn(m_controls.wheelGrease));
    art.setPrecise(isOn(m_controls.preciseCurve));
    if (m_controls.wheels) {
        art.setNestedWheels(nestedWheelsOf(m_controls.wheels->nestedWheels()));
        const bool inside = m_controls.runnerPosition && m_controls.runnerPosition->checkedId() == kInsideTag;
        m_controls.wheels->showRadii(anchor, runner, inside, art.penHoleRadius());
    }
    if (m_controls.colouring)
        art.setColouring(m_controls.colouring->colouring());
    art.update();
}

void AppDelegate::stepperChanged(QObject* sender)
{
    auto* stepper = qobject_cast<Stepper*>(sender);
    const float value = stepper ? stepper->floatValue() : 0.0f;
    const int tag = tagOf(sender);
    // The anchor keeps the stepper's fraction; the other parameters are whole numbers.
    if (const NumericControls* numeric = m_controls.numericControls(tag))
        setFloatValueOf(numeric->input, tag == AnchorRadiusTag ? value : truncated(value));
    confinePenToRunner();
    drawNow();
}

void AppDelegate::numberTyped(QObject* sender)
{
    auto* input = qobject_cast<NumberField*>(sender);
    const float value = input ? input->floatValue() : 0.0f;
    // The field keeps what was typed, fraction included: that is what is drawn.
    if (const NumericControls* numeric = m_controls.numericControls(tagOf(sender)))
        setFloatValueOf(numeric->stepper, truncated(value));
    confinePenToRunner();
    drawNow();
}

void AppDelegate::confinePenToRunner()
{
    if (!isOn(m_controls.confinePen))
        return;
    const float pen = floatValueOf(penRadiusInput());
    // The pen is in the last wheel: the runner, or the last wheel rolling on it.
    const float runner = m_controls.wheels ? m_controls.wheels->lastWheelRadius(floatValueOf(runnerRadiusInput()))
                                           : floatValueOf(runnerRadiusInput());
    if (pen >= runner) {   // false when either is NaN
        const float confined = runner - 1;
        setFloatValueOf(m_controls.numericControls(PenRadiusTag)->stepper, confined);
        setFloatValueOf(m_controls.numericControls(PenRadiusTag)->input, confined);
    }
}

void AppDelegate::enterRadii(const ChosenRadii& radii)
{
    const std::pair<int, const QString*> values[] = {
        {AnchorRadiusTag, &radii.anchor}, {RunnerRadiusTag, &radii.runner}, {PenRadiusTag, &radii.penHole}};
    for (const auto& [tag, text] : values) {
        const NumericControls& numeric = *m_controls.numericControls(tag);
        if (numeric.input)
            numeric.input->setCommittedText(*text);
        setFloatValueOf(numeric.stepper, truncated(leadingNumber(*text)));
    }
    confinePenToRunner();
    drawNow();
}

void AppDelegate::toggleShowAnchor(QObject* sender)
{
    setArtOption(&Rotagraph::setShowAnchor, sender);
}

void AppDelegate::toggleCloseCurve(QObject* sender)
{
    setArtOption(&Rotagraph::setCloseCurve, sender);
}

void AppDelegate::fillBoxToggle(QObject* sender)
{
    setArtOption(&Rotagraph::setFillShape, sender);
}

void AppDelegate::setArtOption(void (Rotagraph::*setOption)(bool), QObject* checkbox)
{
    // Only this option changes: the other controls reach the art view at the next drawNow.
    if (!m_artView)
        return;
    (m_artView->*setOption)(isOn(qobject_cast<QCheckBox*>(checkbox)));
    m_artView->update();
}

void AppDelegate::twoColorClick(QObject* sender)
{
    const bool on = isOn(qobject_cast<QCheckBox*>(sender));
    setEnabledOf(m_controls.secondColor, on);
    setEnabledOf(m_controls.useThirdColorCheck, on);
    setColorsInUse(on ? 2 : 1);
    setOn(m_controls.useThirdColorCheck, false);
    setEnabledOf(m_controls.thirdColor, false);
    drawNow();
}

void AppDelegate::threeColorClick(QObject* sender)
{
    const bool on = isOn(qobject_cast<QCheckBox*>(sender));
    setEnabledOf(m_controls.thirdColor, on);
    setColorsInUse(on ? 3 : 2);
    drawNow();
}

void AppDelegate::drawNowAction(QObject* /*sender*/)
{
    drawNow();
}

void AppDelegate::save(QObject* /*sender*/)
{
    const QString designText = QString::fromUtf8(designToJson(committedDesign()));
    openPngExportDialog(m_window.get(), m_artView, m_controls.wheelGrease, designText);
}

void AppDelegate::showDrawingStatus()
{
    if (!m_artView)
        return;
    // A design of several curves names the curve it speaks of: the first one cut, and the
    // selected one's closure.
    const CurveListModel& curves = m_curves->model();
    const auto nameOf = [&curves](int row) {
        return curves.curves().size() > 1 && row >= 0 && row < curves.rowCount() ? curves.curve(row).name : QString();
    };
    m_statusLine->showPointCount(m_artView->lastDrawingPointCount(), m_artView->lastDrawingTruncated(),
                                 nameOf(m_artView->lastDrawingFirstCutCurve()));
    m_statusLine->showZoom(m_artView->screenScale());
    const std::optional<int> closes = revolutionsToClose();
    if (const std::optional<ToothClosure> teeth = toothClosureShown())
        m_statusLine->showToothClosure(*teeth, nameOf(m_curves->selectedRow()));
    else
        m_statusLine->showClosure(closes, mostRevolutions(revolutionsStepper()), nameOf(m_curves->selectedRow()));
    m_ui->actionCloseExactly->setEnabled(closes.has_value());
}

void AppDelegate::drawSlowButton(QObject* sender)
{
    auto* button = qobject_cast<QPushButton*>(sender);
    if (button && button->text() == kDrawSlowlyTitle && m_operationQueue && m_artView) {
        setCancelDrawing(false);
        m_slowDrawingStages = slowDrawingStages();
        m_framePause = framePauseHook();
        m_operationQueue->start([this] { slowDrawing(); });
        button->setText(kStopDrawingTitle);
        setEnabledOf(m_controls.drawSpeedControl, false);
    } else {
        setCancelDrawing(true);   // the worker restores the button and the slider when it ends
    }
}

std::vector<AppDelegate::SlowDrawingStage> AppDelegate::slowDrawingStages() const
{
    // Each curve takes as many frames as it has revolutions to make, at the window's speed, so
    // that a slow drawing of a one-curve design runs as it always has.
    const float speed = floatValueOf(m_controls.drawSpeedControl);
    const Composition composition = m_artView->composition();
    const bool named = composition.curves.size() > 1;
    std::vector<SlowDrawingStage> stages;
    for (int curve = 0; curve < int(composition.curves.size()); ++curve) {
        const ComposedCurve& composed = composition.curves[std::size_t(curve)];
        if (composed.visible)
            stages.push_back({curve, speed / composed.art.rotationsToMake, named ? composed.name : QString()});
    }
    return stages;
}

void AppDelegate::slowDrawing()
{
    const auto showFrame = [this](const SlowDrawingStage& stage, float percent) {
        postToMainThread([this, stage, percent] {
            if (m_artView) {
                m_artView->showDrawingUpTo(stage.curve, percent);
                m_artView->update();
            }
            m_statusLine->showSlowDrawing(percent, stage.name);
        });
    };
    for (const SlowDrawingStage& stage : m_slowDrawingStages) {
        const double bound = 100.0 + static_cast<double>(stage.step);
        // A step of 0 or less never reaches the bound: such a drawing runs until it is stopped.
        for (float percent = stage.step; static_cast<double>(percent) < bound && !cancelDrawing();
             percent += stage.step) {
            showFrame(stage, percent);
            if (m_framePause)
                m_framePause(m_cancelDrawing);
            else
                std::this_thread::sleep_for(kFramePause);
        }
        if (cancelDrawing())
            break;
    }
    postToMainThread([this] {
        if (m_artView) {
            m_artView->showWholeDrawing();
            m_artView->update();
        }
        m_statusLine->showSlowDrawing(kFinalPercent);
    });
    postToMainThread([this] {
        if (m_controls.drawSlowButton)
            m_controls.drawSlowButton->setText(kDrawSlowlyTitle);
        setEnabledOf(m_controls.drawSpeedControl, true);
        m_statusLine->showSlowDrawing(kNoSlowDrawing);
    });
}

void AppDelegate::setFramePauseHook(std::function<void(const std::atomic<bool>& cancelled)> hook)
{
    framePauseHook() = std::move(hook);
}

void AppDelegate::postToMainThread(std::function<void()> change)
{
    // Queued calls run in the order posted, and are dropped if this controller is gone.
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

QPrinter& AppDelegate::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void AppDelegate::print(QObject* /*sender*/)
{
#if QT_CONFIG(printdialog)
    // Window-modal: the window stays in view and a slow drawing goes on behind the dialog. The
    // design is copied only once the dialog is confirmed, so it is the one shown at that moment.
    auto* dialog = new QPrintDialog(&printer(), m_window.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    fitToScreen(*dialog, m_window.get());
    connect(dialog, &QDialog::accepted, this, &AppDelegate::printDesign);
    dialog->open();
#endif
}

void AppDelegate::pageSetup(QObject* /*sender*/)
{
#if QT_CONFIG(printdialog)
    // Qt's own page setup dialog hands its choices to the printer only from exec(), not when
    // opened with open(): so it runs here until answered, blocking only this window.
    QPageSetupDialog dialog(&printer(), m_window.get());
    dialog.setWindowModality(Qt::WindowModal);
    fitToScreen(dialog, m_window.get());
    dialog.exec();
#endif
}

void AppDelegate::printDesign()
{
    QString reason;
    if (!m_artView || printWithProgress(m_window.get(), m_artView->composition(), printer(), &reason))
        return;
    const QString where = printer().outputFileName().isEmpty()
        ? tr("The printer “%1” could not be started.").arg(printer().printerName())
        : tr("The file “%1” could not be written.").arg(printer().outputFileName());
    showNotice(m_window.get(), QStringLiteral("printFailure"), tr("Printing Failed"), tr("The design was not printed."),
               reason.isEmpty() ? where : where + u' ' + reason);
}

void AppDelegate::connectDocument()
{
    Ui::MainWindow& ui = *m_ui;
    auto* recentFiles = new RecentFiles(ui.menuOpenRecent);
    DesignFiles::Window window{m_window.get(), [this] { return committedDesign(); },
                               [this] { return suggestedFileName(*m_artView, QStringLiteral("rotagraph")); },
                               [this](const Design& design, const QString& filePath, const QString& stepName) {
                                   enterDesign(design);
                                   m_document->recordSwitch(stepName, filePath);
                               },
                               [this](const QString& note) { m_statusLine->showNote(note); }};
    m_files = std::make_unique<DesignFiles>(std::move(window), *m_document, *recentFiles);
    m_window->setMayClose([this] { return m_files->maybeSave(); });
    connect(m_window.get(), &MainWindow::fileDropped, m_files.get(), &DesignFiles::openFile);
    connect(recentFiles, &RecentFiles::fileChosen, m_files.get(), &DesignFiles::openFile);

    setStandardShortcut(ui.actionOpen, QKeySequence::Open, Qt::CTRL | Qt::Key_O);
    connect(ui.actionOpen, &QAction::triggered, m_files.get(), &DesignFiles::open);
    setStandardShortcut(ui.actionSave, QKeySequence::Save, Qt::CTRL | Qt::Key_S);
    connect(ui.actionSave, &QAction::triggered, m_files.get(), &DesignFiles::save);
    setStandardShortcut(ui.actionSaveAs, QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    connect(ui.actionSaveAs, &QAction::triggered, m_files.get(), &DesignFiles::saveAs);
    connect(ui.actionRevert, &QAction::triggered, m_files.get(), &DesignFiles::revert);
    const auto enableRevert = [this] { m_ui->actionRevert->setEnabled(m_files->canRevert()); };
    connect(m_document.get(), &DesignDocument::stateChanged, this, enableRevert);
    enableRevert();

    // A focused field takes the standard editing keys for its own text before these see them.
    QAction* undo = m_document->history().createUndoAction(m_window.get(), tr("&Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    setStandardShortcut(undo, QKeySequence::Undo, Qt::CTRL | Qt::Key_Z);
    QAction* redo = m_document->history().createRedoAction(m_window.get(), tr("&Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    setStandardShortcut(redo, QKeySequence::Redo, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    addShortcut(redo, Qt::CTRL | Qt::Key_Y);
    ui.menuEdit->insertActions(ui.actionCopy, {undo, redo});
    ui.menuEdit->insertSeparator(ui.actionCopy);
    setStandardShortcut(ui.actionCopy, QKeySequence::Copy, Qt::CTRL | Qt::Key_C);
    connect(ui.actionCopy, &QAction::triggered, this, &AppDelegate::copy);
    setStandardShortcut(ui.actionPaste, QKeySequence::Paste, Qt::CTRL | Qt::Key_V);
    connect(ui.actionPaste, &QAction::triggered, this, &AppDelegate::paste);
    connect(ui.actionCloseExactly, &QAction::triggered, this, &AppDelegate::closeDesignExactly);
    connect(ui.actionCopyDesignCode, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(designCode(designToJson(committedDesign()), designToJson(Design())));
    });
    connect(ui.actionRandomDesign, &QAction::triggered, this,
            [this] { randomDesign(QRandomGenerator::global()->generate()); });
}

void AppDelegate::commitPendingEdit()
{
    if (auto* field = qobject_cast<NumberField*>(QApplication::focusWidget()))
        field->commitPendingEdit();
}

Design AppDelegate::committedDesign()
{
    commitPendingEdit();
    Design design;
    design.curves = m_curves->curves();
    readWindowValues(m_controls, design);
    return design;
}

void AppDelegate::enterDesign(const Design& design)
{
    setCancelDrawing(true);   // a slow drawing under way stops after its frame
    showWindowValues(m_controls, design);
    m_curves->enterCurves(design.curves);
}

void AppDelegate::enterCurve(const CurveDesign& curve)
{
    showCurve(m_controls, curve);
    setColorsInUse(curve.colorsInUse);
    toggleShowAnchor(m_controls.showAnchorCheckbox);
    toggleCloseCurve(m_controls.closeCurveCheckbox);
    fillBoxToggle(m_controls.fillCheckbox);
    confinePenToRunner();
    drawNow();
}

WindowState AppDelegate::windowState() const
{
    if (!m_artView || !m_curves)
        return {};
    return captureWindow(m_controls, m_curves->curves(), m_curves->selectedRow(), *m_artView);
}

void AppDelegate::putBack(const WindowState& state)
{
    setCancelDrawing(true);   // a slow drawing stops at an undo or redo
    m_curves->putBack(state.design.curves, state.selectedCurve, state.art);
    if (m_artView)
        restoreWindow(m_controls, *m_artView, state);
    setColorsInUse(state.design.curves.value(state.selectedCurve).colorsInUse);
}

void AppDelegate::connectCurves()
{
    Ui::MainWindow& ui = *m_ui;
    const std::pair<QToolButton*, QAction*> buttons[] = {
        {ui.addCurveButton, ui.actionAddCurve}, {ui.duplicateCurveButton, ui.actionDuplicateCurve},
        {ui.duplicateTurnedButton, ui.actionDuplicateTurned}, {ui.deleteCurveButton, ui.actionDeleteCurve},
        {ui.moveCurveUpButton, ui.actionMoveCurveUp}, {ui.moveCurveDownButton, ui.actionMoveCurveDown}};
    for (const auto& [button, action] : buttons)
        button->setDefaultAction(action);
    ui.actionAddCurve->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    ui.actionDuplicateCurve->setShortcut(Qt::CTRL | Qt::Key_D);
    ui.actionDuplicateTurned->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_D);
    ui.actionMoveCurveUp->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_Up);
    ui.actionMoveCurveDown->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_Down);
    ui.actionShowCurve->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
    CurveCommands::Controls controls{ui.curveList, ui.turnInput, ui.turnStepper, ui.actionAddCurve,
                                     ui.actionDuplicateCurve, ui.actionDuplicateTurned, ui.actionDeleteCurve,
                                     ui.actionMoveCurveUp, ui.actionMoveCurveDown, ui.actionShowCurve};
    CurveCommands::Window window{m_window.get(), ui.artView,
                                 [this] { return curveShownBy(m_controls, m_colorsInUse); },
                                 [this](const CurveDesign& curve) { enterCurve(curve); }};
    m_curves = std::make_unique<CurveCommands>(controls, std::move(window), *m_document);
}

void AppDelegate::newDesign()
{
    if (!m_files->maybeSave())
        return;
    {
        const DesignDocument::Pause oneStep(*m_document);   // the default design clicks a checkbox
        m_curves->putBack({CurveDesign()}, 0, m_artView ? m_artView->parameters() : ArtParameters());
        newMenuSelected(m_ui->actionNewDesign);
    }
    m_document->recordSwitch(tr("New Design"), {});
}

void AppDelegate::newFromGallery()
{
    if (!m_files->maybeSave())
        return;
    auto* dialog = new GalleryDialog(loadGallery(), m_window.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (const std::optional<Design> design = dialog->chosenDesign()) {
            enterDesign(*design);
            m_document->recordSwitch(tr("New from Gallery"), {});
        }
    });
    dialog->open();
}

void AppDelegate::exportVector(VectorFormat format)
{
    const QString designText = QString::fromUtf8(designToJson(committedDesign()));
    openVectorExportDialog(m_window.get(), m_artView, m_controls.wheelGrease, format, designText);
}

void AppDelegate::copy()
{
    const QByteArray designText = designToJson(committedDesign());
    if (m_artView)
        copyDesign(m_window.get(), m_artView->composition(), isOn(m_controls.wheelGrease), designText);
}

void AppDelegate::paste()
{
    if (const std::optional<Design> design = pasteDesign(m_window.get())) {
        enterDesign(*design);
        m_document->record(tr("Paste Design"));
    }
}

std::optional<int> AppDelegate::revolutionsToClose() const
{
    if (!m_artView)
        return std::nullopt;
    const Rotagraph& art = *m_artView;
    // Wheels of whole teeth close as their counts do: their radii, multiples of 1/2π, are no
    // decimals to count with.
    const std::optional<WheelControls::Teeth> teeth = wholeTeethShown();
    const float anchor = teeth ? float(teeth->anchor) : art.anchorRadius();
    const float runner = teeth ? std::copysign(float(teeth->runner), art.runnerRadius()) : art.runnerRadius();
    NestedWheels nested = art.nestedWheels();
    if (teeth) {
        for (int i = 0; i < nested.count && i < int(teeth->nested.size()); ++i) {
            float& radius = nested.radii[std::size_t(i)];
            radius = std::copysign(float(teeth->nested[i]), radius);
        }
    }
    // The pen's distance matters only as 0 or not, whatever the scale: teeth go with it as radii.
    return closingRevolutions(anchor, runner, art.penHoleRadius(), art.greaseIt(), nested,
                              mostRevolutions(revolutionsStepper()));
}

std::optional<WheelControls::Teeth> AppDelegate::wholeTeethShown() const
{
    if (!m_controls.wheels || m_controls.wheels->sizes() != WheelSizes::Teeth)
        return std::nullopt;
    return m_controls.wheels->wholeTeeth();
}

std::optional<ToothClosure> AppDelegate::toothClosureShown() const
{
    // Petals count the runner's loops: a greased runner slips, and a pen at its centre loops not.
    const std::optional<WheelControls::Teeth> teeth = wholeTeethShown();
    if (!teeth || !teeth->nested.isEmpty() || !m_artView || m_artView->greaseIt() || m_artView->penHoleRadius() == 0)
        return std::nullopt;
    return toothClosure(teeth->anchor, teeth->runner);
}

void AppDelegate::randomDesign(quint32 seed)
{
    Design design = committedDesign();
    design.curves = {randomCurve(seed)};
    enterDesign(design);
    m_document->record(tr("Random Design"));
    if (m_statusLine)
        m_statusLine->showNote(tr("Random design, seed %1").arg(seed));
}

void AppDelegate::closeDesignExactly()
{
    commitPendingEdit();   // the count is the one for what the fields say
    const std::optional<int> revolutions = revolutionsToClose();
    if (!revolutions || !revolutionsInput())
        return;
    revolutionsInput()->setFloatValue(float(*revolutions));
    // Exactly: traced so that the curve meets its start, as 32-bit angle sums would not.
    setOn(m_controls.preciseCurve, true);
    numberTyped(revolutionsInput());
    m_document->record(tr("Close the Design Exactly"));
}
