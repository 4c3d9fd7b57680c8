#pragma once

// The controls of how a curve's pens are coloured along it, as one value: the mode (one to three
// colours in stretches, a gradient along the curve, or a colour a revolution), the gradient's
// stops with presets to start from, its repeats and mirroring, whether each revolution blends into
// the next, and the ink's opacity, which holds in every mode. Only what the mode uses shows, each
// control with the label that names it (its buddy). The controls keep every value within the
// colouring's ranges, so that what they hold is always a colouring a curve can be drawn with.
// Setting a colouring from code sends nothing; each change of the user's sends colouringEdited.

#include "art/CurveColouring.h"

#include <QObject>
#include <QPointer>
#include <QWidgetList>

class GradientBar;
class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;

class ColouringControls : public QObject
{
    Q_OBJECT

public:
    struct Controls {
        QComboBox* mode = nullptr;
        QWidgetList stretches;   // the pens' own colour wells and their checkboxes: Stretches mode only
        QComboBox* presets = nullptr;
        GradientBar* bar = nullptr;
        QSpinBox* repeat = nullptr;
        QCheckBox* mirror = nullptr;
        QCheckBox* blend = nullptr;
        QSlider* inkSlider = nullptr;
        QSpinBox* inkInput = nullptr;
    };

    // Fills the mode and preset lists and sets each control's range; the bar shows the colours
    // as the curve mixes them.
    explicit ColouringControls(const Controls& controls, QObject* parent = nullptr);

    CurveColouring colouring() const;
    // Shows `colouring`, held to the ranges the controls keep, without sending colouringEdited.
    void setColouring(const CurveColouring& colouring);

signals:
    // The user changed the colouring with `control`. A change that `continuesRun` carries on
    // what the same control did before (a drag, arrow steps, a number growing as it is typed);
    // runBroken starts a new one (a new press on the bar or the slider).
    void colouringEdited(const CurveColouring& colouring, QWidget* control, bool continuesRun);
    void runBroken();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void showModeControls();
    void showPresetOfStops();
    void edited(QWidget* control, bool continuesRun);

    QPointer<QComboBox> m_mode;
    QList<QPointer<QWidget>> m_stretches;
    QPointer<QComboBox> m_presets;
    QPointer<GradientBar> m_bar;
    QPointer<QObject> m_barObject;   // the same bar, for the events it is sent as it goes
    QPointer<QSpinBox> m_repeat;
    QPointer<QCheckBox> m_mirror;
    QPointer<QCheckBox> m_blend;
    QPointer<QSlider> m_inkSlider;
    QPointer<QSpinBox> m_inkInput;
};
