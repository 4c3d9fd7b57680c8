#include "widgets/ColouringControls.h"

#include "widgets/GradientBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kInkPageStep = 10;   // percent

std::vector<GradientStop> stopsOf(const QGradientStops& stops)
{
    std::vector<GradientStop> held;
    held.reserve(std::size_t(stops.size()));
    for (const QGradientStop& stop : stops)
        held.push_back({stop.first, stop.second});
    return held;
}

QGradientStops gradientStopsOf(const std::vector<GradientStop>& stops)
{
    QGradientStops shown;
    shown.reserve(qsizetype(stops.size()));
    for (const GradientStop& stop : stops)
        shown.append({stop.position, stop.colour});
    return shown;
}

// A control and the label that names it show and hide together.
void setShown(QWidget* control, bool shown)
{
    if (!control)
        return;
    control->setVisible(shown);
    if (QWidget* holder = control->parentWidget())
        for (QLabel* label : holder->findChildren<QLabel*>())
            if (label->buddy() == control)
                label->setVisible(shown);
}

// The columns of the grid that holds `widgets` keep the widths these take when shown, so that
// hiding them does not narrow the panel and move everything beside it.
void keepColumnsFor(const QList<QPointer<QWidget>>& widgets)
{
    for (QWidget* widget : widgets) {
        auto* grid = widget && widget->parentWidget() ? qobject_cast<QGridLayout*>(widget->parentWidget()->layout()) : nullptr;
        const int index = grid ? grid->indexOf(widget) : -1;
        if (index < 0)
            continue;
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        if (columnSpan == 1)
            grid->setColumnMinimumWidth(column, std::max(grid->columnMinimumWidth(column), widget->sizeHint().width()));
    }
}

ColourMode modeOf(const QComboBox* box)
{
    return box && box->currentIndex() >= 0 ? ColourMode(box->currentData().toInt()) : ColourMode::Stretches;
}

// Arrow keys move the bar's chosen stop a step at a time: a run, as a stepper's clicks are.
bool movesAStop(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Left || key.key() == Qt::Key_Right;
}

}

ColouringControls::ColouringControls(const Controls& controls, QObject* parent)
    : QObject(parent)
    , m_mode(controls.mode)
    , m_presets(controls.presets)
    , m_bar(controls.bar)
    , m_repeat(controls.repeat)
    , m_mirror(controls.mirror)
    , m_blend(controls.blend)
    , m_inkSlider(controls.inkSlider)
    , m_inkInput(controls.inkInput)
{
    for (QWidget* widget : controls.stretches)
        m_stretches.append(widget);
    if (m_mode) {
        m_mode->addItem(tr("Stretches"), int(ColourMode::Stretches));
        m_mode->addItem(tr("Gradient"), int(ColourMode::Gradient));
        m_mode->addItem(tr("Per revolution"), int(ColourMode::PerRevolution));
    }
    if (m_presets) {
        for (const GradientPreset& preset : gradientPresets())
            m_presets->addItem(preset.name);
        m_presets->setPlaceholderText(tr("None"));
    }
    if (m_bar) {
        // The bar mixes as the curve does, in OKLab.
        m_bar->setColourAt([](const QGradientStops& stops, qreal position) {
            return gradientColour(stopsOf(stops), position);
        });
        m_bar->installEventFilter(this);
        m_barObject = m_bar.data();
    }
    if (m_repeat) {
        m_repeat->setRange(1, kMostGradientRepeats);
        m_repeat->setKeyboardTracking(false);   // a typed count draws once, when it is committed
    }
    if (m_inkInput) {
        m_inkInput->setRange(0, kOpaqueInk);
        m_inkInput->setKeyboardTracking(false);
    }
    if (m_inkSlider) {
        m_inkSlider->setRange(0, kOpaqueInk);
        m_inkSlider->setPageStep(kInkPageStep);
    }
    keepColumnsFor(m_stretches);
    setColouring(CurveColouring());
    connectControls();
}

void ColouringControls::connectControls()
{
    if (m_mode)
        connect(m_mode, &QComboBox::currentIndexChanged, this, [this] {
            showModeControls();
            edited(m_mode, false);
        });
    if (m_presets)
        connect(m_presets, &QComboBox::activated, this, [this](int index) {
            const std::vector<GradientPreset>& presets = gradientPresets();
            if (!m_bar || index < 0 || index >= int(presets.size()))
                return;
            m_bar->setStops(presets[std::size_t(index)].stops);
            edited(m_presets, false);
        });
    if (m_bar)
        connect(m_bar, &GradientBar::stopsEdited, this, [this] {
            showPresetOfStops();
            edited(m_bar, true);
        });
    if (m_repeat)
        connect(m_repeat, &QSpinBox::valueChanged, this, [this] { edited(m_repeat, true); });
    for (QCheckBox* checkbox : {m_mirror.data(), m_blend.data()})
        if (checkbox)
            connect(checkbox, &QAbstractButton::clicked, this, [this, checkbox] { edited(checkbox, false); });
    if (m_inkSlider) {
        connect(m_inkSlider, &QSlider::valueChanged, this, [this](int percent) {
            if (m_inkInput) {
                const QSignalBlocker quiet(m_inkInput);
                m_inkInput->setValue(percent);
            }
            edited(m_inkSlider, true);
        });
        connect(m_inkSlider, &QSlider::sliderPressed, this, &ColouringControls::runBroken);
    }
    if (m_inkInput)
        connect(m_inkInput, &QSpinBox::valueChanged, this, [this](int percent) {
            if (m_inkSlider) {
                const QSignalBlocker quiet(m_inkSlider);
                m_inkSlider->setValue(percent);
            }
            edited(m_inkInput, true);
        });
}

CurveColouring ColouringControls::colouring() const
{
    CurveColouring colouring;
    colouring.mode = modeOf(m_mode);
    if (m_bar)
        colouring.stops = stopsOf(m_bar->stops());
    if (m_repeat)
        colouring.repeat = m_repeat->value();
    colouring.mirror = m_mirror && m_mirror->isChecked();
    colouring.blend = m_blend && m_blend->isChecked();
    if (m_inkInput)
        colouring.inkOpacity = m_inkInput->value();
    return colouring;
}

void ColouringControls::setColouring(const CurveColouring& colouring)
{
    if (m_mode) {
        const QSignalBlocker quiet(m_mode);
        m_mode->setCurrentIndex(std::max(m_mode->findData(int(colouring.mode)), 0));
    }
    if (m_bar)
        m_bar->setStops(gradientStopsOf(colouring.stops));
    if (m_repeat) {
        const QSignalBlocker quiet(m_repeat);
        m_repeat->setValue(colouring.repeat);
    }
    if (m_mirror)
        m_mirror->setChecked(colouring.mirror);
    if (m_blend)
        m_blend->setChecked(colouring.blend);
    if (m_inkSlider) {
        const QSignalBlocker quiet(m_inkSlider);
        m_inkSlider->setValue(colouring.inkOpacity);
    }
    if (m_inkInput) {
        const QSignalBlocker quiet(m_inkInput);
        m_inkInput->setValue(colouring.inkOpacity);
    }
    showModeControls();
    showPresetOfStops();
}

void ColouringControls::showModeControls()
{
    const ColourMode mode = modeOf(m_mode);
    for (const QPointer<QWidget>& widget : std::as_const(m_stretches))
        setShown(widget, mode == ColourMode::Stretches);
    for (QWidget* stopsControl : {static_cast<QWidget*>(m_presets.data()), static_cast<QWidget*>(m_bar.data())})
        setShown(stopsControl, mode != ColourMode::Stretches);
    setShown(m_repeat, mode == ColourMode::Gradient);
    setShown(m_mirror, mode == ColourMode::Gradient);
    setShown(m_blend, mode == ColourMode::PerRevolution);
}

void ColouringControls::showPresetOfStops()
{
    if (!m_presets || !m_bar)
        return;
    const std::vector<GradientStop> stops = stopsOf(m_bar->stops());
    const std::vector<GradientPreset>& presets = gradientPresets();
    const auto preset = std::find_if(presets.begin(), presets.end(), [&stops](const GradientPreset& candidate) {
        return stopsOf(candidate.stops) == stops;
    });
    m_presets->setCurrentIndex(preset == presets.end() ? -1 : int(preset - presets.begin()));
}

void ColouringControls::edited(QWidget* control, bool continuesRun)
{
    emit colouringEdited(colouring(), control, continuesRun);
}

bool ColouringControls::eventFilter(QObject* watched, QEvent* event)
{
    // Seen before the bar acts on it: a press, or a key that does more than nudge a stop, begins
    // a change of its own.
    // Compared as objects: while the bar is being destroyed it is a GradientBar no longer, and
    // its QPointer may not be read as one.
    if (watched == static_cast<QObject*>(m_barObject)) {
        const bool press = event->type() == QEvent::MouseButtonPress;
        const bool key = event->type() == QEvent::KeyPress && !movesAStop(*static_cast<QKeyEvent*>(event));
        if (press || key)
            emit runBroken();
    }
    return QObject::eventFilter(watched, event);
}
