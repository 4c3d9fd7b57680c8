#pragma once

// What a change of one of the selected curve's controls does: the field and the stepper of a
// number follow each other by tag, the pen stays inside its wheel when it is told to, the
// revolutions stay within the limit when it is on, and drawNow() copies every control into the
// art view, which draws it. An option checkbox (wheels shown, closed, filled) changes only its
// own option of the art; the other controls reach the art at the next drawNow. The colour count
// is kept here, and the colour checkboxes follow it.
//   control action → fields and steppers by tag → drawNow() → the art view draws

#include "app/WindowControls.h"

#include <QObject>
#include <QPointer>

#include <cstdint>

class Rotagraph;
struct ChosenRadii;
struct CurveDesign;

class DesignEditing : public QObject
{
    Q_OBJECT

public:
    // `controls` are the window's, and outlive this.
    DesignEditing(const WindowControls& controls, Rotagraph* art, QObject* parent = nullptr);

    int32_t colorsInUse() const { return m_colorsInUse; }
    void setColorsInUse(int32_t colors) { m_colorsInUse = colors; }

    // Writes the default design into the art view and shows it in the controls.
    void showDefaultDesign();
    // Copies every control into the art view, applies the revolution limit, redraws.
    void drawNow();
    // Radii picked by teeth, entered as if typed in their fields.
    void enterRadii(const ChosenRadii& radii);
    // Sets the controls to a curve's values as if the user entered each, and draws.
    void enterCurve(const CurveDesign& curve);
    // Enters a number of revolutions as if typed, traced precisely, so that the curve meets its
    // start.
    void enterClosingRevolutions(int revolutions);
    // The Fill checkbox's action.
    void fillBoxToggle(QObject* sender);

signals:
    // A passing word for the status line.
    void noteShown(const QString& note);

private:
    void connectControls();
    // Makes the controls show the art view's values.
    void syncAllControlsToArt();
    void stepperChanged(QObject* sender);
    void numberTyped(QObject* sender);
    void confinePenToRunner();
    void toggleShowAnchor(QObject* sender);
    void toggleCloseCurve(QObject* sender);
    void setArtOption(void (Rotagraph::*setOption)(bool), QObject* checkbox);
    void twoColorClick(QObject* sender);
    void threeColorClick(QObject* sender);

    const WindowControls& m_controls;
    QPointer<Rotagraph> m_artView;
    int32_t m_colorsInUse = 0;
};
