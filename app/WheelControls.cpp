#include "app/WheelControls.h"

#include "widgets/Controls.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cmath>

namespace {

constexpr QLatin1String kPitchSetting("wheels/toothPitch");
// Holes of a wheel the kit does not have: spaced as the kit's own.
constexpr KitWheel kUsualHoles{0, 0.5, 0.3, 0};
// The mark of a count or hole that is only the nearest to the radius.
constexpr char kNotWhole[] = "≈ ";
constexpr int kPitchDecimals = 4;
constexpr double kLargestPitch = 1000;

double savedPitch()
{
    const double pitch = QSettings().value(kPitchSetting, kDefaultToothPitch).toDouble();
    return isToothPitch(pitch) && pitch <= kLargestPitch ? pitch : kDefaultToothPitch;
}

QSpinBox* teethBox(const QString& accessibleName)
{
    auto* box = new QSpinBox;
    box->setRange(kFewestTeeth, kMostTeeth);
    box->setAccessibleName(accessibleName);
    box->setKeyboardTracking(false);   // a count typed digit by digit is one change
    return box;
}

void setRowShown(const WheelControls::RadiusRow& row, bool shown)
{
    row.label->setVisible(shown);
    row.field->setVisible(shown);
    row.stepper->setVisible(shown);
}

}

KitWheel wheelWithHoles(const GearKit& kit, int teeth)
{
    for (const KitWheel& wheel : kit.wheels)
        if (wheel.teeth == teeth)
            return wheel;
    KitWheel wheel = kUsualHoles;
    wheel.teeth = teeth;
    // In pitches, the radius is teeth / 2π: the holes go from the edge to within a spacing of
    // the centre.
    const double room = double(teeth) / (2 * M_PI) - wheel.firstHoleFromEdge;
    wheel.holes = room > 0 ? int(std::floor(room / wheel.holeSpacing)) + 1 : 0;
    return wheel;
}

QString radiusText(double radius)
{
    const float value = float(radius);
    return formatNumber(value);
}

struct WheelControls::NestedRow {
    QLabel* label;
    QWidget* fields;   // the radius, the teeth and the side
    NumberField* radius;
    QSpinBox* teeth;
    QComboBox* side;
};

WheelControls::WheelControls(const Rows& rows, GearKitReading kit, std::function<void(const ChosenRadii&)> enterRadii,
                             QObject* parent)
    : QObject(parent)
    , m_rows(rows)
    , m_kit(kit.kit.value_or(GearKit()))
    , m_kitProblem(kit.error)
    , m_enterRadii(std::move(enterRadii))
    , m_pitch(savedPitch())
{
    buildSizesRow(rows);
    buildTeethRows(rows);
    buildNestedRows(rows);
    buildPitchRow(rows);
    setSizes(WheelSizes::Radii);
    showNestedCount();
}

// The rows' widgets go with the window; what tells them apart goes with this.
WheelControls::~WheelControls()
{
    qDeleteAll(m_nested);
}

void WheelControls::buildSizesRow(const Rows& rows)
{
    auto* label = new QLabel(tr("Sizes:"));
    m_sizesBox = new QComboBox;
    m_sizesBox->addItem(tr("Radii"));
    m_sizesBox->addItem(tr("Teeth"));
    m_sizesBox->setAccessibleName(tr("Wheel sizes"));
    m_sizesBox->setToolTip(tr("Give the wheels by their radii, or as a kit has them: by teeth and hole numbers"));
    label->setBuddy(m_sizesBox);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_sizesBox, 1);
    for (QAction* action : {rows.addWheel, rows.removeWheel}) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setAccessibleName(action->text().remove(u'&'));
        layout->addWidget(button);
        (action == rows.addWheel ? m_addWheelButton : m_removeWheelButton) = button;
    }
    rows.layout->addWidget(label, rows.sizesRow, 0);
    rows.layout->addWidget(row, rows.sizesRow, 1, 1, 2);
    connect(m_sizesBox, &QComboBox::activated, this, [this](int index) {
        setSizes(index == 1 ? WheelSizes::Teeth : WheelSizes::Radii);
        emit edited(m_sizesBox);
    });
}

void WheelControls::buildTeethRows(const Rows& rows)
{
    const auto kitBox = [this](const QString& accessibleName, bool withRings) {
        auto* box = new QComboBox;
        box->setAccessibleName(accessibleName);
        box->addItem(tr("Any"), -1);
        if (withRings)
            for (int i = 0; i < int(m_kit.rings.size()); ++i)
                box->addItem(tr("Ring %1").arg(m_kit.rings[std::size_t(i)].name), i);
        for (int i = 0; i < int(m_kit.wheels.size()); ++i)
            box->addItem(tr("Wheel %1").arg(m_kit.wheels[std::size_t(i)].teeth), int(m_kit.rings.size()) + i);
        box->setEnabled(m_kitProblem.isEmpty());
        box->setToolTip(m_kitProblem.isEmpty() ? tr("A ring or wheel of the kit") : m_kitProblem);
        return box;
    };
    const auto place = [&rows](const RadiusRow& row, QLabel* label, QWidget* first, QWidget* second) {
        int at = rows.layout->indexOf(row.field), line = 0, column = 0, rowSpan = 0, columnSpan = 0;
        rows.layout->getItemPosition(at, &line, &column, &rowSpan, &columnSpan);
        auto* both = new QWidget;
        auto* layout = new QHBoxLayout(both);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(first, 1);
        if (second)
            layout->addWidget(second, 1);
        label->setBuddy(first);
        rows.layout->addWidget(label, line, 0);
        rows.layout->addWidget(both, line, 1, 1, 2);
        return both;
    };

    m_anchorTeethLabel = new QLabel(tr("Anchor teeth:"));
    m_anchorTeeth = teethBox(tr("Anchor teeth"));
    m_anchorKit = kitBox(tr("Anchor from the kit"), true);
    place(rows.anchor, m_anchorTeethLabel, m_anchorTeeth, m_anchorKit);
    m_runnerTeethLabel = new QLabel(tr("Runner teeth:"));
    m_runnerTeeth = teethBox(tr("Runner teeth"));
    m_runnerKit = kitBox(tr("Runner from the kit"), false);
    place(rows.runner, m_runnerTeethLabel, m_runnerTeeth, m_runnerKit);
    m_holeLabel = new QLabel(tr("Pen hole:"));
    m_hole = new QSpinBox;
    m_hole->setAccessibleName(tr("Pen hole number"));
    m_hole->setToolTip(tr("The hole of the last wheel that holds the pen: hole 1 is nearest the edge"));
    m_hole->setKeyboardTracking(false);
    place(rows.penHole, m_holeLabel, m_hole, nullptr);

    for (QSpinBox* box : {m_anchorTeeth, m_runnerTeeth, m_hole})
        connect(box, &QSpinBox::valueChanged, this, [this, box] { enterTeeth(box); });
    for (QComboBox* kit : {m_anchorKit, m_runnerKit}) {
        connect(kit, &QComboBox::activated, this, [this, kit](int index) {
            const int item = kit->itemData(index).toInt();
            if (item < 0)
                return;
            const int rings = int(m_kit.rings.size());
            const int teeth = item < rings ? m_kit.rings[std::size_t(item)].teethFacing(m_inside)
                                           : m_kit.wheels[std::size_t(item - rings)].teeth;
            QSpinBox* box = kit == m_anchorKit ? m_anchorTeeth : m_runnerTeeth;
            {
                const QSignalBlocker quiet(box);
                box->setValue(teeth);
            }
            enterTeeth(kit);
        });
    }
}

void WheelControls::buildNestedRows(const Rows& rows)
{
    m_addWheel = rows.addWheel;
    m_removeWheel = rows.removeWheel;
    connect(m_addWheel, &QAction::triggered, this, [this] {
        addWheel();
        emit edited(m_addWheelButton);
    });
    connect(m_removeWheel, &QAction::triggered, this, [this] {
        removeWheel();
        emit edited(m_removeWheelButton);
    });
}

void WheelControls::buildPitchRow(const Rows& rows)
{
    m_pitchLabel = new QLabel(tr("Tooth pitch:"));
    m_pitchBox = new QDoubleSpinBox;
    m_pitchBox->setDecimals(kPitchDecimals);
    m_pitchBox->setRange(std::pow(10.0, -kPitchDecimals), kLargestPitch);
    m_pitchBox->setValue(m_pitch);
    m_pitchBox->setKeyboardTracking(false);
    m_pitchBox->setAccessibleName(tr("Tooth pitch"));
    m_pitchBox->setToolTip(tr("How far a wheel rolls per tooth, in drawing units, in every design"));
    m_pitchLabel->setBuddy(m_pitchBox);
    rows.layout->addWidget(m_pitchLabel, rows.pitchRow, 0);
    rows.layout->addWidget(m_pitchBox, rows.pitchRow, 1, 1, 2);
    connect(m_pitchBox, &QDoubleSpinBox::valueChanged, this, [this](double pitch) {
        changePitch(pitch);
        emit edited(m_pitchBox);
    });
}

void WheelControls::setSizes(WheelSizes sizes)
{
    m_sizes = sizes;
    const bool teeth = sizes == WheelSizes::Teeth;
    {
        const QSignalBlocker quiet(m_sizesBox);
        m_sizesBox->setCurrentIndex(teeth ? 1 : 0);
    }
    for (const RadiusRow& row : {m_rows.anchor, m_rows.runner, m_rows.penHole})
        setRowShown(row, !teeth);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_anchorTeethLabel, m_anchorTeeth->parentWidget(),
                                                          m_runnerTeethLabel, m_runnerTeeth->parentWidget(),
                                                          m_holeLabel, m_hole->parentWidget(), m_pitchLabel, m_pitchBox})
        widget->setVisible(teeth);
    for (NestedRow* row : std::as_const(m_nested)) {
        row->radius->setVisible(!teeth);
        row->teeth->setVisible(teeth);
    }
    showRadii(m_anchorRadius, m_runnerRadius, m_inside, m_penHoleRadius);
}

QList<NestedWheelDesign> WheelControls::nestedWheels() const
{
    QList<NestedWheelDesign> wheels;
    for (const NestedRow* row : m_nested)
        wheels.append({row->radius->text(), row->side->currentIndex() == 1 ? RunnerSide::Inside : RunnerSide::Outside});
    return wheels;
}

void WheelControls::showCurve(const CurveDesign& curve)
{
    while (!m_nested.isEmpty())
        removeWheel();
    for (const NestedWheelDesign& wheel : curve.nestedWheels.mid(0, kMostNestedWheels))
        addNestedRow(wheel);
    showNestedCount();
    setSizes(curve.sizes);
}

void WheelControls::addWheel()
{
    if (m_nested.size() >= kMostNestedWheels)
        return;
    // A new wheel rolls inside the last one and is smaller than it, so that it shows at once.
    NestedWheelDesign wheel;
    const bool byTeeth = m_sizes == WheelSizes::Teeth;
    const int teeth = std::max(kFewestTeeth, int(std::lround(lastWheelTeeth() / 2.0)));
    const float last = std::fabs(lastWheelRadius(m_runnerRadius));
    if (byTeeth)
        wheel.radius = radiusText(radiusOfTeeth(teeth, m_pitch));
    else if (std::isfinite(last) && last > 0)
        wheel.radius = radiusText(std::max(1.0f, std::round(last / 2)));
    const int hole = m_hole->value();
    addNestedRow(wheel);
    showNestedCount();
    if (!byTeeth) {
        showRadii(m_anchorRadius, m_runnerRadius, m_inside, m_penHoleRadius);
        return;
    }
    // The pen moves into the new wheel's hole of the same number, or its innermost.
    const KitWheel holes = wheelWithHoles(m_kit, teeth);
    const std::optional<double> pen = holeRadius(holes, std::clamp(hole, 1, std::max(holes.holes, 1)), m_pitch);
    if (pen && m_enterRadii)
        m_enterRadii({{}, {}, radiusText(*pen)});
    else
        showRadii(m_anchorRadius, m_runnerRadius, m_inside, m_penHoleRadius);
}

void WheelControls::removeWheel()
{
    if (m_nested.isEmpty())
        return;
    NestedRow* row = m_nested.takeLast();
    delete row->label;
    delete row->fields;
    delete row;
    showNestedCount();
}

void WheelControls::addNestedRow(const NestedWheelDesign& wheel)
{
    const int line = int(m_nested.size());
    const QString name = tr("Wheel %1").arg(line + 3);   // after the anchor and the runner
    auto* row = new NestedRow{new QLabel(tr("%1:").arg(name)), new QWidget, new NumberField,
                              teethBox(tr("%1 teeth").arg(name)), new QComboBox};
    row->radius->setAccessibleName(tr("%1 radius").arg(name));
    row->radius->setToolTip(tr("The radius of a wheel rolling on the one before it"));
    row->radius->setCommittedText(wheel.radius);
    row->side->addItem(tr("Outside"));
    row->side->addItem(tr("Inside"));
    row->side->setAccessibleName(tr("%1 rolls").arg(name));
    row->side->setCurrentIndex(wheel.side == RunnerSide::Inside ? 1 : 0);
    row->label->setBuddy(row->radius);
    // In the group's own columns, so that the fields line up with the anchor's and the runner's.
    auto* fields = new QHBoxLayout(row->fields);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(row->radius, 1);
    fields->addWidget(row->teeth, 1);
    fields->addWidget(row->side);
    m_rows.layout->addWidget(row->label, m_rows.nestedRow + line, 0);
    m_rows.layout->addWidget(row->fields, m_rows.nestedRow + line, 1, 1, 2);
    const bool byTeeth = m_sizes == WheelSizes::Teeth;
    row->radius->setVisible(!byTeeth);
    row->teeth->setVisible(byTeeth);
    m_nested.append(row);
    connect(row->radius, &NumberField::numberEdited, this, [this, row] {
        showRadii(m_anchorRadius, m_runnerRadius, m_inside, m_penHoleRadius);
        emit edited(row->radius);
    });
    connect(row->side, &QComboBox::activated, this, [this, row] { emit edited(row->side); });
    connect(row->teeth, &QSpinBox::valueChanged, this, [this, row](int teeth) {
        row->radius->setCommittedText(radiusText(radiusOfTeeth(teeth, m_pitch)));
        enterTeeth(row->teeth);
    });
}

void WheelControls::showNestedCount()
{
    m_addWheel->setEnabled(m_nested.size() < kMostNestedWheels);
    m_removeWheel->setEnabled(!m_nested.isEmpty());
}

float WheelControls::lastWheelRadius(float runnerRadius) const
{
    return m_nested.isEmpty() ? runnerRadius : std::fabs(leadingNumber(m_nested.last()->radius->text()));
}

int WheelControls::lastWheelTeeth() const
{
    return m_nested.isEmpty() ? m_runnerTeeth->value() : m_nested.last()->teeth->value();
}

void WheelControls::showCount(QSpinBox& box, double radius, double pitch)
{
    const double magnitude = std::fabs(radius);
    const std::optional<TeethOfRadius> count = teethOfRadius(magnitude, pitch);
    // A radius of more teeth than a wheel has, or of too many to count, shows the most a wheel
    // has, marked as passed; fewer than the fewest likewise: never a count near the radius's
    // that it is not.
    const bool beyond = count ? count->teeth > kMostTeeth : std::isfinite(magnitude) && magnitude > 0;
    const bool below = count && count->teeth < kFewestTeeth;
    const QSignalBlocker quiet(&box);
    box.setValue(beyond ? kMostTeeth : count && !below ? int(count->teeth) : kFewestTeeth);
    const bool whole = count && count->whole && !beyond && !below;
    const QString shown = radiusText(magnitude);
    box.setPrefix(whole ? QString() : beyond ? QStringLiteral("> ") : below ? QStringLiteral("< ") : QString::fromUtf8(kNotWhole));
    box.setToolTip(whole    ? QString()
                   : beyond ? tr("The radius, %1, is of more teeth than any wheel has (%2)").arg(shown).arg(kMostTeeth)
                   : below  ? tr("The radius, %1, is of fewer teeth than any wheel has (%2)").arg(shown).arg(kFewestTeeth)
                            : tr("The radius, %1, is not a whole number of teeth").arg(shown));
}

void WheelControls::selectKitItem(QComboBox& kitBox, int teeth) const
{
    int found = 0;
    for (int index = 1; index < kitBox.count() && found == 0; ++index) {
        const int item = kitBox.itemData(index).toInt();
        const int rings = int(m_kit.rings.size());
        const int count = item < rings ? m_kit.rings[std::size_t(item)].teethFacing(m_inside)
                                       : m_kit.wheels[std::size_t(item - rings)].teeth;
        if (count == teeth)
            found = index;
    }
    kitBox.setCurrentIndex(found);
}

void WheelControls::showRadii(float anchor, float runner, bool inside, float penHole)
{
    m_anchorRadius = anchor;
    m_runnerRadius = runner;
    m_inside = inside;
    m_penHoleRadius = penHole;
    // Hidden, the counts wait until teeth sizes show them.
    if (m_sizes != WheelSizes::Teeth)
        return;
    showCount(*m_anchorTeeth, anchor, m_pitch);
    showCount(*m_runnerTeeth, runner, m_pitch);
    for (NestedRow* row : std::as_const(m_nested))
        showCount(*row->teeth, leadingNumber(row->radius->text()), m_pitch);
    const bool anchorWhole = m_anchorTeeth->prefix().isEmpty();
    selectKitItem(*m_anchorKit, anchorWhole ? m_anchorTeeth->value() : 0);
    selectKitItem(*m_runnerKit, m_runnerTeeth->prefix().isEmpty() ? m_runnerTeeth->value() : 0);
    showHoles(penHole);
}

void WheelControls::showHoles(float penHole)
{
    const KitWheel wheel = wheelWithHoles(m_kit, lastWheelTeeth());
    const QSignalBlocker quiet(m_hole);
    m_hole->setRange(wheel.holes > 0 ? 1 : 0, std::max(wheel.holes, 0));
    m_hole->setSuffix(tr(" of %1").arg(wheel.holes));
    const std::optional<int> hole = nearestHole(wheel, penHole, m_pitch);
    m_hole->setValue(hole.value_or(0));
    const std::optional<double> there = hole ? holeRadius(wheel, *hole, m_pitch) : std::nullopt;
    // A hole is the pen's when it is within a thousandth of a unit of it.
    constexpr double kSameHole = 1e-3;
    const bool exact = there && std::fabs(*there - double(penHole)) < kSameHole;
    m_hole->setPrefix(exact ? QString() : QString::fromUtf8(kNotWhole));
    m_hole->setToolTip(exact ? tr("The hole of the last wheel that holds the pen: hole 1 is nearest the edge")
                             : tr("The pen, %1 from the centre, is at no hole of this wheel").arg(radiusText(penHole)));
}

void WheelControls::enterShownTeeth()
{
    const KitWheel wheel = wheelWithHoles(m_kit, lastWheelTeeth());
    const int hole = std::clamp(m_hole->value(), 1, std::max(wheel.holes, 1));
    const std::optional<double> pen = holeRadius(wheel, hole, m_pitch);
    if (m_enterRadii)
        m_enterRadii({radiusText(radiusOfTeeth(m_anchorTeeth->value(), m_pitch)),
                      radiusText(radiusOfTeeth(m_runnerTeeth->value(), m_pitch)),
                      pen ? radiusText(*pen) : radiusText(m_penHoleRadius)});
}

void WheelControls::enterTeeth(QWidget* control)
{
    enterShownTeeth();
    emit edited(control);
}

void WheelControls::runnerSideChanged(bool inside)
{
    const int item = m_anchorKit->currentData().toInt();
    m_inside = inside;
    if (m_sizes != WheelSizes::Teeth || item < 0 || item >= int(m_kit.rings.size()))
        return;
    {
        const QSignalBlocker quiet(m_anchorTeeth);
        m_anchorTeeth->setValue(m_kit.rings[std::size_t(item)].teethFacing(inside));
    }
    enterShownTeeth();
}

void WheelControls::changePitch(double pitch)
{
    if (!isToothPitch(pitch))
        return;
    m_pitch = pitch;
    QSettings().setValue(kPitchSetting, pitch);
    if (m_sizes != WheelSizes::Teeth)
        return;
    // The wheels keep their teeth and grow or shrink with the pitch.
    for (NestedRow* row : std::as_const(m_nested))
        row->radius->setCommittedText(radiusText(radiusOfTeeth(row->teeth->value(), m_pitch)));
    enterShownTeeth();
}

std::optional<WheelControls::Teeth> WheelControls::wholeTeeth() const
{
    const auto whole = [this](float radius) -> std::optional<int> {
        const std::optional<TeethOfRadius> count = teethOfRadius(std::fabs(radius), m_pitch);
        if (!count || !count->whole || !isToothCount(double(count->teeth)))
            return std::nullopt;
        return int(count->teeth);
    };
    const std::optional<int> anchor = whole(m_anchorRadius);
    const std::optional<int> runner = whole(m_runnerRadius);
    if (!anchor || !runner)
        return std::nullopt;
    Teeth teeth{*anchor, *runner, {}};
    for (const NestedRow* row : m_nested) {
        const std::optional<int> count = whole(leadingNumber(row->radius->text()));
        if (!count)
            return std::nullopt;
        teeth.nested.append(*count);
    }
    return teeth;
}
