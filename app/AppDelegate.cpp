#include "app/AppDelegate.h"

#include "app/AboutBox.h"
#include "app/ChangeRecording.h"
#include "app/ClosureShown.h"
#include "app/CopiesControls.h"
#include "app/CurveCommands.h"
#include "app/DesignClipboard.h"
#include "app/DesignCode.h"
#include "app/DesignControls.h"
#include "app/DesignDocument.h"
#include "app/DesignEditing.h"
#include "app/DesignFiles.h"
#include "app/DesignFormat.h"
#include "app/GalleryDialog.h"
#include "app/OutputCommands.h"
#include "app/RandomDesign.h"
#include "app/RecentFiles.h"
#include "app/SeveralCurves.h"
#include "app/Shortcuts.h"
#include "app/SlowDrawing.h"
#include "app/StatusLine.h"
#include "app/ViewCommands.h"
#include "app/WindowState.h"
#include "output/VectorExport.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>

#include <csignal>

namespace {

// The Wheels group's rows that the window's file leaves for the sizes, the nested wheels and the
// tooth pitch.
constexpr int kSizesRow = 0;
constexpr int kNestedWheelsRow = 4;
constexpr int kToothPitchRow = 8;

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
    m_editing = std::make_unique<DesignEditing>(m_controls, m_artView);
    connect(m_editing.get(), &DesignEditing::noteShown, m_statusLine, &StatusLine::showNote);
    m_slowDrawing = std::make_unique<SlowDrawing>(
        SlowDrawing::Controls{m_ui->drawSlowButton, m_ui->drawSpeedControl, m_ui->drawSpeedValue}, m_artView,
        m_statusLine, m_window.get());
    // After the controls' own actions, so that each step records what its action did.
    recordChangesOf(m_controls, *m_document);
    connectCurves();
    m_view = std::make_unique<ViewCommands>(
        ViewCommands::Actions{m_ui->actionFitToWindow, m_ui->actionActualSize, m_ui->actionZoomIn, m_ui->actionZoomOut,
                              m_ui->actionCloseExactly},
        m_artView, m_statusLine, m_controls, *m_curves);
    m_outputs = std::make_unique<OutputCommands>(OutputCommands::Window{
        m_window.get(), [this] { return shownDesign(); }, [this] { return m_artView ? m_artView->composition() : Composition(); }});
    connectMenus();
    connectDocument();
    m_window->restorePlacement();
}

AppDelegate::~AppDelegate() = default;

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
                  ui.preciseCurve, nullptr, ui.backgroundCheck, ui.backgroundWell};
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
                                          [this](const ChosenRadii& radii) { m_editing->enterRadii(radii); }, m_window.get());

    ui.backgroundWell->setColor(Qt::white);

    // Extra wells start with colours of their own; they supply the pens when turned on.
    m_controls.secondColor->setColor(CurveDesign().pen2Color);
    m_controls.thirdColor->setColor(CurveDesign().pen3Color);
}

void AppDelegate::connectMenus()
{
    Ui::MainWindow& ui = *m_ui;
    setStandardShortcut(ui.actionNewDesign, QKeySequence::New, Qt::CTRL | Qt::Key_N);
    connect(ui.actionNewDesign, &QAction::triggered, this, &AppDelegate::newDesign);
    connect(ui.actionNewFromGallery, &QAction::triggered, this, &AppDelegate::newFromGallery);
    OutputCommands* outputs = m_outputs.get();
    ui.actionExport->setShortcut(Qt::CTRL | Qt::Key_E);
    connect(ui.actionExport, &QAction::triggered, outputs, &OutputCommands::exportPng);
    ui.actionExportSvg->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
    connect(ui.actionExportSvg, &QAction::triggered, outputs, [outputs] { outputs->exportVector(VectorFormat::Svg); });
    ui.actionExportPdf->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    connect(ui.actionExportPdf, &QAction::triggered, outputs, [outputs] { outputs->exportVector(VectorFormat::Pdf); });
    setStandardShortcut(ui.actionQuit, QKeySequence::Quit, Qt::CTRL | Qt::Key_Q);
    ui.actionQuit->setMenuRole(QAction::QuitRole);
    connect(ui.actionQuit, &QAction::triggered, m_window.get(), &QMainWindow::close);
    // One window holds the one design: closing it is closing the design.
    setStandardShortcut(ui.actionClose, QKeySequence::Close, Qt::CTRL | Qt::Key_W);
    connect(ui.actionClose, &QAction::triggered, m_window.get(), &QMainWindow::close);
#if QT_CONFIG(printdialog)
    setStandardShortcut(ui.actionPrint, QKeySequence::Print, Qt::CTRL | Qt::Key_P);
    connect(ui.actionPrint, &QAction::triggered, outputs, &OutputCommands::print);
    connect(ui.actionPageSetup, &QAction::triggered, outputs, &OutputCommands::pageSetup);
#else
    ui.actionPrint->setVisible(false);
    ui.actionPageSetup->setVisible(false);
#endif

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
    m_slowDrawing->stop();
    m_editing->showDefaultDesign();
    m_slowDrawing->makeReady();
    m_document->begin();
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
    design.otherKeys = m_otherKeys;
    return design;
}

void AppDelegate::enterDesign(const Design& design)
{
    m_slowDrawing->stop();   // a slow drawing under way stops after its frame
    m_otherKeys = design.otherKeys;
    showWindowValues(m_controls, design);
    m_curves->enterCurves(design.curves);
    showWhole();
}

void AppDelegate::showWhole()
{
    // A new design seen through the last one's zoom may show an empty corner of itself.
    if (m_artView)
        m_artView->fitToWindow();
}

WindowState AppDelegate::windowState() const
{
    if (!m_artView || !m_curves)
        return {};
    WindowState state = captureWindow(m_controls, m_curves->curves(), m_curves->selectedRow(), *m_artView);
    state.design.otherKeys = m_otherKeys;
    return state;
}

void AppDelegate::putBack(const WindowState& state)
{
    m_slowDrawing->stop();   // a slow drawing stops at an undo or redo
    m_otherKeys = state.design.otherKeys;
    m_curves->putBack(state.design.curves, state.selectedCurve, state.art);
    if (m_artView)
        restoreWindow(m_controls, *m_artView, state);
    m_editing->setColorsInUse(state.design.curves.value(state.selectedCurve).colorsInUse);
}

void AppDelegate::newDesign()
{
    if (!m_files->maybeSave())
        return;
    {
        const DesignDocument::Pause oneStep(*m_document);   // the default design clicks a checkbox
        m_curves->putBack({CurveDesign()}, 0, m_artView ? m_artView->parameters() : ArtParameters());
        m_slowDrawing->stop();
        m_editing->showDefaultDesign();
        m_otherKeys = {};
        showWhole();
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

ShownDesign AppDelegate::shownDesign()
{
    const QString text = QString::fromUtf8(designToJson(committedDesign()));
    if (!m_artView)
        return {{}, 0, isOn(m_controls.wheelGrease), text};
    return {m_artView->composition(), m_artView->selectedCurve(), isOn(m_controls.wheelGrease), text};
}

void AppDelegate::paste()
{
    if (const std::optional<Design> design = pasteDesign(m_window.get())) {
        enterDesign(*design);
        m_document->record(tr("Paste Design"));
    }
}

void AppDelegate::randomDesign(quint32 seed)
{
    Design design = committedDesign();
    const Design random = ::randomDesign(seed);
    design.curves = random.curves;
    design.background = random.background;
    enterDesign(design);
    m_document->record(tr("Random Design"));
    if (m_statusLine)
        m_statusLine->showNote(tr("Random design, seed %1").arg(seed));
}

void AppDelegate::closeDesignExactly()
{
    commitPendingEdit();   // the count is the one for what the fields say
    const std::optional<int> revolutions = m_artView ? revolutionsToClose(m_controls, m_artView->parameters()) : std::nullopt;
    if (!revolutions || !revolutionsInput())
        return;
    m_editing->enterClosingRevolutions(*revolutions);
    m_document->record(tr("Close the Design Exactly"));
}

void AppDelegate::connectDocument()
{
    Ui::MainWindow& ui = *m_ui;
    auto* recentFiles = new RecentFiles(ui.menuOpenRecent);
    DesignFiles::Window window{m_window.get(), [this] { return committedDesign(); },
                               [this] { return suggestedFileName(m_artView->parameters(), QStringLiteral("rotagraph")); },
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
    connect(ui.actionCopy, &QAction::triggered, m_outputs.get(), &OutputCommands::copy);
    setStandardShortcut(ui.actionPaste, QKeySequence::Paste, Qt::CTRL | Qt::Key_V);
    connect(ui.actionPaste, &QAction::triggered, this, &AppDelegate::paste);
    connect(ui.actionCloseExactly, &QAction::triggered, this, &AppDelegate::closeDesignExactly);
    connect(ui.actionCopyDesignCode, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(designCode(designToJson(committedDesign()), designToJson(Design())));
    });
    connect(ui.actionRandomDesign, &QAction::triggered, this,
            [this] { randomDesign(QRandomGenerator::global()->generate()); });
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
    m_mixedValues = std::make_unique<MixedValues>(m_controls);
    CurveCommands::Controls controls{ui.curveList, ui.turnInput, ui.turnStepper, ui.actionAddCurve,
                                     ui.actionDuplicateCurve, ui.actionDuplicateTurned, ui.actionDeleteCurve,
                                     ui.actionMoveCurveUp, ui.actionMoveCurveDown, ui.actionShowCurve,
                                     new CopiesControls(ui.curvesLayout, ui.curvesLayout->indexOf(ui.turnLayout) + 1,
                                                        m_window.get())};
    CurveCommands::Window window{m_window.get(), ui.artView,
                                 [this] { return curveShownBy(m_controls, m_editing->colorsInUse()); },
                                 [this](const CurveDesign& curve) { m_editing->enterCurve(curve); },
                                 [this](const QString& note) { m_statusLine->showNote(note); },
                                 [this](const CurveDesign& before, const CurveDesign& after, CurveDesign& other) {
                                     carryEdit(before, after, other);
                                     m_mixedValues->carrySetValues(after, other);
                                 }};
    m_curves = std::make_unique<CurveCommands>(controls, std::move(window), *m_document);
    connect(m_curves.get(), &CurveCommands::selectionShown, this,
            [this](const CurveDesign& current, const QList<CurveDesign>& selected) {
                m_mixedValues->show(current, selected);
            });
}

int32_t AppDelegate::colorsInUse() const
{
    return m_editing->colorsInUse();
}

void AppDelegate::drawNow()
{
    m_editing->drawNow();
}

void AppDelegate::fillBoxToggle(QObject* sender)
{
    m_editing->fillBoxToggle(sender);
}

QPrinter& AppDelegate::printer()
{
    return m_outputs->printer();
}

void AppDelegate::printDesign()
{
    if (m_artView)
        m_outputs->printDesign();
}
