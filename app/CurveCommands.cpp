#include "app/CurveCommands.h"

#include "app/CopiesControls.h"

#include "app/DesignArt.h"
#include "app/DesignDocument.h"
#include "view/Rotagraph.h"
#include "widgets/Controls.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QShortcut>
#include <QSpinBox>

#include <cmath>

namespace {

constexpr double kFullTurn = 360;

// While it lives, the list's current row moves with the model (a row inserted or taken away)
// without counting as the user's selection.
class MovingQuietly
{
public:
    explicit MovingQuietly(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~MovingQuietly() { m_flag = m_was; }
    MovingQuietly(const MovingQuietly&) = delete;
    MovingQuietly& operator=(const MovingQuietly&) = delete;

private:
    bool& m_flag;
    bool m_was;
};
constexpr int kDefaultCopies = 12;

// Asks how many curves a turned copy makes in all and by how much each turns from the one
// before; the angle follows the count (a full turn shared out) until the user sets it.
bool askForTurnedCopies(QWidget* window, int most, int& count, double& stepDegrees)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("duplicateTurnedDialog"));
    dialog.setWindowTitle(CurveCommands::tr("Duplicate Turned"));
    dialog.setWindowModality(Qt::WindowModal);
    auto* layout = new QFormLayout(&dialog);
    auto* explanation = new QLabel(CurveCommands::tr("Copies of the selected curve, each turned one step "
                                                     "further than the one before."));
    explanation->setWordWrap(true);
    layout->addRow(explanation);
    auto* countBox = new QSpinBox;
    countBox->setObjectName(QStringLiteral("turnedCount"));
    countBox->setRange(2, std::max(2, most));
    countBox->setValue(std::min(kDefaultCopies, most));
    countBox->setAccessibleName(CurveCommands::tr("Curves in all"));
    layout->addRow(CurveCommands::tr("Curves in &all:"), countBox);
    auto* angleBox = new QDoubleSpinBox;
    angleBox->setObjectName(QStringLiteral("turnedStep"));
    angleBox->setRange(-kFullTurn, kFullTurn);
    angleBox->setDecimals(3);
    angleBox->setSuffix(QStringLiteral(" °"));
    angleBox->setValue(kFullTurn / countBox->value());
    angleBox->setAccessibleName(CurveCommands::tr("Turn between curves"));
    layout->addRow(CurveCommands::tr("&Turn between curves:"), angleBox);
    bool angleChosen = false;
    QObject::connect(angleBox, &QDoubleSpinBox::valueChanged, &dialog, [&angleChosen, angleBox] {
        angleChosen = angleChosen || angleBox->hasFocus();
    });
    QObject::connect(countBox, &QSpinBox::valueChanged, &dialog, [&angleChosen, angleBox](int n) {
        if (!angleChosen)
            angleBox->setValue(kFullTurn / n);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    count = countBox->value();
    stepDegrees = angleBox->value();
    return true;
}

}

CurveCommands::CurveCommands(Controls controls, Window window, DesignDocument& document, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_window(std::move(window))
    , m_document(document)
{
    connectControls();
    selectQuietly(0);
    enableCommands();
}

void CurveCommands::connectControls()
{
    QListView* list = m_controls.list;
    list->setModel(&m_model);
    list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    list->setDragDropMode(QAbstractItemView::InternalMove);
    list->setDefaultDropAction(Qt::MoveAction);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_selecting)
            showSelection();
    });
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_selecting && current.isValid() && current.row() != m_selected)
            select(current.row());
    });
    connect(&m_model, &CurveListModel::edited, this, [this](const QString& stepName, int row) {
        // A drag moves the selected curve with it, or moves others round it.
        const QModelIndex current = m_controls.list->currentIndex();
        changed(stepName, current.isValid() ? current.row() : row);
    });
    // The Delete key alone: the platform's Delete may also be Ctrl+D, which is Duplicate's.
    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CurveCommands::removeCurve);

    connect(m_controls.add, &QAction::triggered, this, &CurveCommands::addCurve);
    connect(m_controls.duplicate, &QAction::triggered, this, &CurveCommands::duplicate);
    connect(m_controls.duplicateTurned, &QAction::triggered, this, &CurveCommands::duplicateTurned);
    connect(m_controls.remove, &QAction::triggered, this, &CurveCommands::removeCurve);
    connect(m_controls.moveUp, &QAction::triggered, this, [this] { move(-1); });
    connect(m_controls.moveDown, &QAction::triggered, this, [this] { move(1); });
    connect(m_controls.showOrHide, &QAction::triggered, this, &CurveCommands::showOrHide);
    connect(m_controls.turnInput, &NumberField::numberEdited, this, &CurveCommands::turnTyped);
    connect(m_controls.turnInput, &NumberField::stepRequested, m_controls.turnStepper, &Stepper::stepBy);
    connect(m_controls.turnStepper, &Stepper::valueStepped, this, [this] {
        m_controls.turnInput->setFloatValue(m_controls.turnStepper->floatValue());
        turnTyped();
    });
    connect(m_controls.copies, &CopiesControls::edited, this, &CurveCommands::copiesEdited);
    // The swatch follows the selected curve's colours as they change.
    connect(&m_document, &DesignDocument::stateChanged, this, &CurveCommands::keepSelected);
}

QList<CurveDesign> CurveCommands::curves() const
{
    QList<CurveDesign> all = m_model.curves();
    CurveDesign shown = m_window.shownCurve();
    const CurveDesign& kept = all[m_selected];
    shown.name = kept.name;
    shown.visible = kept.visible;
    shown.turn = kept.turn;
    shown.copies = kept.copies;
    shown.otherKeys = kept.otherKeys;
    for (const int row : selectedRows())
        if (row != m_selected)
            m_window.carry(kept, shown, all[row]);
    all[m_selected] = shown;
    return all;
}

QList<int> CurveCommands::selectedRows() const
{
    QList<int> rows{m_selected};
    for (const QModelIndex& index : m_controls.list->selectionModel()->selectedRows())
        if (index.row() != m_selected && index.row() < m_model.rowCount())
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CurveCommands::keepSelected()
{
    const QList<CurveDesign> all = curves();
    bool othersChanged = false;
    for (const int row : selectedRows()) {
        othersChanged = othersChanged || (row != m_selected && all[row] != m_model.curve(row));
        m_model.keepCurve(row, all[row]);
    }
    if (othersChanged) {
        m_window.art->setComposition(compositionOf(m_model.curves(), m_selected, m_window.art->parameters()), m_selected);
        m_window.art->update();
        showSelection();
    }
}

void CurveCommands::showSelection()
{
    QList<CurveDesign> selected;
    for (const int row : selectedRows())
        selected.append(m_model.curve(row));
    emit selectionShown(m_model.curve(m_selected), selected);
}

void CurveCommands::enterCurves(const QList<CurveDesign>& curves)
{
    {
        const MovingQuietly quiet(m_selecting);
        m_model.setCurves(curves);
    }
    // Each goes through the controls, as typed, so that confinement and the limit hold as they
    // would; the first is left selected.
    for (int row = int(m_model.curves().size()) - 1; row >= 0; --row) {
        m_selected = row;
        m_window.enterCurve(m_model.curve(row));
        keepSelected();
    }
    selectQuietly(0);
    showComposition();
}

void CurveCommands::putBack(const QList<CurveDesign>& curves, int selected, const ArtParameters& selectedArt)
{
    {
        const MovingQuietly quiet(m_selecting);
        m_model.setCurves(curves);
    }
    const int row = std::clamp(selected, 0, int(m_model.curves().size()) - 1);
    selectQuietly(row);
    m_window.art->setComposition(compositionOf(m_model.curves(), row, selectedArt), row);
    m_window.art->update();
}

void CurveCommands::showComposition()
{
    keepSelected();
    m_window.art->setComposition(compositionOf(m_model.curves(), m_selected, m_window.art->parameters()), m_selected);
    m_window.art->update();
    enableCommands();
}

void CurveCommands::select(int row)
{
    keepSelected();
    selectQuietly(row);
    m_window.art->setComposition(compositionOf(m_model.curves(), row, artOf(m_model.curve(row))), row);
    m_window.enterCurve(m_model.curve(row));
    showComposition();
    showSelection();
    // Selecting is no step: the history takes the window as it now stands as its own.
    m_document.takeWindowAsShown();
}

void CurveCommands::selectQuietly(int row)
{
    m_selected = row;
    m_selecting = true;
    // A row among those selected together stays among them; any other is selected alone.
    const QModelIndex index = m_model.index(row);
    QItemSelectionModel* selection = m_controls.list->selectionModel();
    if (selection->isSelected(index))
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    else
        m_controls.list->setCurrentIndex(index);
    m_selecting = false;
    const double turn = m_model.curve(row).turn;
    m_controls.turnInput->setCommittedText(formatNumber(float(turn)));
    m_controls.turnStepper->setValue(turn);
    m_controls.copies->showCopies(m_model.curve(row).copies);
    enableCommands();
}

void CurveCommands::changed(const QString& stepName, int rowToSelect)
{
    const bool another = rowToSelect != m_selected;
    selectQuietly(rowToSelect);
    if (another) {
        m_window.art->setComposition(compositionOf(m_model.curves(), rowToSelect, artOf(m_model.curve(rowToSelect))),
                                     rowToSelect);
        m_window.enterCurve(m_model.curve(rowToSelect));
    }
    showComposition();
    m_document.record(stepName);
    showSelection();
}

void CurveCommands::enableCommands()
{
    const int count = int(m_model.curves().size());
    const bool room = count < Design::kMaximumCurves;
    m_controls.add->setEnabled(room);
    m_controls.duplicate->setEnabled(room);
    m_controls.duplicateTurned->setEnabled(room);
    m_controls.remove->setEnabled(count > 1);
    m_controls.moveUp->setEnabled(m_selected > 0);
    m_controls.moveDown->setEnabled(m_selected < count - 1);
    const bool visible = m_selected < count && m_model.curve(m_selected).visible;
    m_controls.showOrHide->setText(visible ? tr("&Hide Curve") : tr("S&how Curve"));
}

int CurveCommands::quietly(const std::function<int()>& change)
{
    const MovingQuietly quiet(m_selecting);
    return change();
}

void CurveCommands::addCurve()
{
    keepSelected();
    CurveDesign fresh;
    fresh.name = m_model.freshName();
    const int row = quietly([&] { return m_model.addCurve(m_selected, fresh); });
    if (row >= 0)
        changed(tr("Add Curve"), row);
}

void CurveCommands::duplicate()
{
    keepSelected();
    CurveDesign copy = m_model.curve(m_selected);
    copy.name = m_model.freshName();
    const int row = quietly([&] { return m_model.addCurve(m_selected, copy); });
    if (row >= 0)
        changed(tr("Duplicate Curve"), row);
}

void CurveCommands::duplicateTurned()
{
    keepSelected();
    const int most = Design::kMaximumCurves - int(m_model.curves().size()) + 1;
    int count = 0;
    double step = 0;
    if (most < 2 || !askForTurnedCopies(m_window.widget, most, count, step))
        return;
    if (quietly([&] { return m_model.duplicateTurned(m_selected, count, step); }) >= 0)
        changed(tr("Duplicate Turned"), m_selected);
}

void CurveCommands::removeCurve()
{
    keepSelected();
    const int row = quietly([&] { return m_model.removeCurve(m_selected); });
    if (row < 0)
        return;
    m_selected = -1;   // gone: whatever is selected next is another curve
    changed(tr("Delete Curve"), row);
}

void CurveCommands::move(int by)
{
    keepSelected();
    const int row = quietly([&] { return m_model.moveCurve(m_selected, m_selected + by); });
    if (row >= 0) {
        m_selected = row;
        changed(by < 0 ? tr("Move Curve Up") : tr("Move Curve Down"), row);
    }
}

void CurveCommands::showOrHide()
{
    keepSelected();
    const bool visible = !m_model.curve(m_selected).visible;
    m_model.setVisible(m_selected, visible);
    changed(visible ? tr("Show Curve") : tr("Hide Curve"), m_selected);
}

void CurveCommands::turnTyped()
{
    const float typed = m_controls.turnInput->floatValue();
    const double turn = std::isfinite(typed) ? double(typed) : 0.0;
    m_controls.turnStepper->setValue(turn);
    if (turn == m_model.curve(m_selected).turn)
        return;
    keepSelected();
    m_model.setTurn(m_selected, turn);
    changed(tr("Turn"), m_selected);
}

void CurveCommands::copiesEdited(const CurveCopies& copies, QWidget* control)
{
    keepSelected();
    for (const int row : selectedRows())
        m_model.setCopies(row, copies);
    changed(control->accessibleName(), m_selected);
    // Copies that fall on earlier ones look like a fault: the status line says why.
    const int hidden = coincidingCopies(copies, symmetryDegrees(m_window.art->parameters()));
    if (hidden > 0 && m_window.note)
        m_window.note(tr("%n of the %1 copies lie exactly on earlier ones: the curve repeats every %2°.", nullptr, hidden)
                          .arg(copies.count)
                          .arg(QLocale().toString(symmetryDegrees(m_window.art->parameters()), 'g', 6)));
}
