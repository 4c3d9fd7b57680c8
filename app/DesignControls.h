#pragma once

// The mapping between a Design and the window's controls, both ways, from one table.

#include "app/Design.h"
#include "app/WindowControls.h"

// The selected curve's values as the controls show them: all but its name, whether it shows and
// its turn, which the curve list holds. The four numbers are the fields' text, whatever the
// steppers say; the colour count is the controller's, which the colour checkboxes follow.
CurveDesign curveShownBy(const WindowControls& controls, int colorsInUse);

// Sets every control of a curve to show `design` as a user entering it leaves them: each field
// holds its text, marked when not wholly a number, and its stepper the truncated number, as
// typing does; the colour checkboxes and wells follow the colour count. No action is sent: the
// caller runs what the actions would (confinement, drawing).
void showCurve(const WindowControls& controls, const CurveDesign& design);

// What holds for the whole window (the wheels shown, the slow drawing's speed), both ways.
void readWindowValues(const WindowControls& controls, Design& design);
void showWindowValues(const WindowControls& controls, const Design& design);

// The colour checkboxes on and the wells enabled as a count of pens in use has them.
void showColorsInUse(const WindowControls& controls, int colorsInUse);

// Makes a slider hold exactly the values of `range`.
void setSliderRange(FloatSlider& slider, const SliderRange& range);
