#pragma once

// The controller's references to the window's controls. Each is weak: a control that has gone
// reads as null, and whoever uses one checks it first.

#include "app/WheelControls.h"
#include "art/ArtParameters.h"
#include "widgets/ColouringControls.h"
#include "widgets/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

#include <array>

// The tags that the text field and the stepper of each numeric parameter carry.
enum ParameterTag { AnchorRadiusTag = 1, RunnerRadiusTag, PenRadiusTag, RevolutionsTag };
constexpr int kParameterCount = RevolutionsTag;
// The runnerPosition buttons' tags.
constexpr int kOutsideTag = 0;
constexpr int kInsideTag = 1;

struct NumericControls {
    QPointer<NumberField> input;
    QPointer<Stepper> stepper;
};

struct WindowControls {
    std::array<NumericControls, kParameterCount> numeric;   // by tag - 1
    QPointer<QCheckBox> showAnchorCheckbox;
    QPointer<QCheckBox> closeCurveCheckbox;
    QPointer<QCheckBox> fillCheckbox;
    QPointer<QCheckBox> wheelGrease;
    QPointer<QCheckBox> limitRotations;
    QPointer<QCheckBox> confinePen;
    QPointer<QCheckBox> useSecondColorCheck;
    QPointer<QCheckBox> useThirdColorCheck;
    QPointer<ColorWell> colorPicker;
    QPointer<ColorWell> secondColor;
    QPointer<ColorWell> thirdColor;
    QPointer<ColorWell> fillColorPicker;
    QPointer<FloatSlider> penWidthSlider;
    QPointer<FloatSlider> drawSpeedControl;
    QPointer<QPushButton> drawSlowButton;
    QPointer<QButtonGroup> runnerPosition;
    QPointer<NumberField> penWidthInput;   // the slider's number box
    QPointer<ColouringControls> colouring;   // the pens' colouring along the curve, as one value
    QPointer<QCheckBox> preciseCurve;
    QPointer<WheelControls> wheels;   // sizes by teeth, and the wheels rolling on the runner
    QPointer<QCheckBox> backgroundCheck;   // the design's background: on, the well's colour
    QPointer<ColorWell> backgroundWell;

    // The field and stepper of a parameter tag; null for any other tag.
    const NumericControls* numericControls(int tag) const
    {
        return tag >= AnchorRadiusTag && tag <= RevolutionsTag ? &numeric[static_cast<std::size_t>(tag - 1)]
                                                               : nullptr;
    }
};

// A number as the steppers and fields show a truncated value: toward zero, a whole number.
inline float truncated(float value)
{
    return static_cast<float>(truncatedToInt(value));
}

// Reading through a control that has gone gives 0, off or no colour; setting through one does
// nothing.
template <typename Control>
float floatValueOf(const QPointer<Control>& control)
{
    return control ? control->floatValue() : 0.0f;
}

template <typename Control>
void setFloatValueOf(const QPointer<Control>& control, float value)
{
    if (control)
        control->setFloatValue(value);
}

inline QColor colorOf(const QPointer<ColorWell>& well)
{
    return well ? well->color() : QColor();
}

// The background the controls give the design: invalid when it has none.
inline QColor backgroundOf(const WindowControls& controls);

inline void setColorOf(const QPointer<ColorWell>& well, const QColor& color)
{
    if (well)
        well->setColor(color);
}

inline void setOn(const QPointer<QCheckBox>& checkbox, bool on)
{
    if (checkbox && checkbox->isTristate())
        showUnmixed(checkbox, on);
    else if (checkbox)
        checkbox->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

template <typename Control>
void setEnabledOf(const QPointer<Control>& control, bool enabled)
{
    if (control)
        control->setEnabled(enabled);
}

inline QColor backgroundOf(const WindowControls& controls)
{
    return isOn(controls.backgroundCheck) ? colorOf(controls.backgroundWell) : QColor();
}
