#pragma once

// Several curves of the list edited together: what the user changes in the controls, which show
// the current curve, goes to every selected curve as well, value by value, leaving each one's
// other values as they were; and a control whose value differs among them says so until set.

#include "app/Design.h"

#include <QList>

struct WindowControls;

// Gives `other` each value that an edit changed from `before` to `after`. The name, whether it
// shows, its turn and its copies are each curve's own and never carried.
void carryEdit(const CurveDesign& before, const CurveDesign& after, CurveDesign& other);

// The fields and boxes whose values differ among the curves selected together.
class MixedValues
{
public:
    explicit MixedValues(const WindowControls& controls) : m_controls(controls) {}

    // Marks each field and box whose value differs among `selected`: an empty field, a partly
    // checked box, each with a tooltip saying so, standing for `current`'s value until set. A
    // control whose values agree again shows `current`'s.
    void show(const CurveDesign& current, const QList<CurveDesign>& selected);
    // Gives `other` what `shown` holds in each control that was marked and has been set since,
    // even where that is the current curve's own value: it goes to all of them.
    void carrySetValues(const CurveDesign& shown, CurveDesign& other) const;

private:
    const WindowControls& m_controls;
    QList<int> m_mixedNumbers;    // by tag
    QList<int> m_mixedSwitches;   // by place in the switches' table
};
