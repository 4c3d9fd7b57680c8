#pragma once

// Everything an undo puts back: what the controls show, where the steppers stand (confinement
// and the revolution limit set them to fractions a field's number would not give), and what the
// art view draws, which the option checkboxes change without copying the other controls.

#include "app/Design.h"
#include "app/WindowControls.h"
#include "art/ArtParameters.h"

#include <array>

class Rotagraph;

struct WindowState {
    Design design;
    std::array<double, kParameterCount> stepperValues{};   // by tag - 1
    ArtParameters art;
};

bool operator==(const WindowState& a, const WindowState& b);
inline bool operator!=(const WindowState& a, const WindowState& b) { return !(a == b); }


// The window as it stands, drawn whole: how far a slow drawing has come is no part of it.
WindowState captureWindow(const WindowControls& controls, int colorsInUse, const Rotagraph& art);
// Sets the controls and the art view exactly as captured, sending no action, and asks the art
// view to redraw. The colour count is the caller's to set.
void restoreWindow(const WindowControls& controls, Rotagraph& art, const WindowState& state);
