#pragma once

// Everything an undo puts back: every curve, which one is selected, what the controls show of it,
// where the steppers stand (confinement and the revolution limit set them to fractions a field's
// number would not give), and what the art view draws of it, which the option checkboxes change
// without copying the other controls. The other curves draw as their values say (DesignArt.h).

#include "app/Design.h"
#include "app/WindowControls.h"
#include "art/ArtParameters.h"

#include <array>

class Rotagraph;

struct WindowState {
    Design design;
    int selectedCurve = 0;
    std::array<double, kParameterCount> stepperValues{};   // of the selected curve, by tag - 1
    ArtParameters art;                                     // of the selected curve
};

bool operator==(const WindowState& a, const WindowState& b);
inline bool operator!=(const WindowState& a, const WindowState& b) { return !(a == b); }


// The window as it stands, drawn whole: how far a slow drawing has come is no part of it.
// `curves` are every curve, the selected one as the controls show it.
WindowState captureWindow(const WindowControls& controls, const QList<CurveDesign>& curves, int selectedCurve,
                          const Rotagraph& art);
// Sets the selected curve's controls, the window's values and the selected curve's art exactly
// as captured, sending no action. The list of curves and the colour count are the caller's.
void restoreWindow(const WindowControls& controls, Rotagraph& art, const WindowState& state);
