#pragma once

// The Wheels group's sizes by teeth and its nested wheels. The radius fields stay what a curve
// holds and draws: in teeth sizes they hide, and tooth counts, the kit's rings and wheels, a hole
// number and the tooth pitch stand in their place, turned into radii as the user picks them. A
// radius that is not a whole count shows as the nearest one, marked "≈". Add Wheel and Remove
// Wheel give up to two wheels rolling on the runner, each on the one before.

#include "app/Design.h"
#include "app/GearKit.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class NumberField;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QAction;
class QSpinBox;
class QWidget;

// The radii a pick of teeth gives, as the radius fields take them: the shortest text of each;
// an empty one is left as it is.
struct ChosenRadii {
    QString anchor;
    QString runner;
    QString penHole;
};

// The wheel that holds `hole` numbers for a tooth count: the kit's wheel of that count, or else
// one with the kit's usual hole spacing, as many holes as fit.
KitWheel wheelWithHoles(const GearKit& kit, int teeth);

// The shortest text that reads back as the same float as `radius`.
QString radiusText(double radius);

class WheelControls : public QObject
{
    Q_OBJECT

public:
    // The radius rows that teeth sizes stand in for: each one's label, field and stepper.
    struct RadiusRow {
        QLabel* label;
        NumberField* field;
        QWidget* stepper;
    };
    struct Rows {
        QGridLayout* layout;
        RadiusRow anchor;
        RadiusRow runner;
        RadiusRow penHole;
        int sizesRow;     // where the sizes' choice goes, with Add Wheel and Remove Wheel
        int nestedRow;    // where the nested wheels go: this row and the next
        int pitchRow;     // where the tooth pitch goes
        QAction* addWheel;
        QAction* removeWheel;
    };

    // `enterRadii` puts radii picked by teeth into the radius fields and draws them, as typing
    // them would. A kit that could not be read leaves the counts to be typed, and says why.
    WheelControls(const Rows& rows, GearKitReading kit, std::function<void(const ChosenRadii&)> enterRadii,
                  QObject* parent = nullptr);
    ~WheelControls() override;

    WheelSizes sizes() const { return m_sizes; }
    QList<NestedWheelDesign> nestedWheels() const;
    double pitch() const { return m_pitch; }
    // Why the kit's rings and wheels cannot be picked; empty when they can.
    const QString& kitProblem() const { return m_kitProblem; }

    // Shows a curve's sizes and nested wheels, sending nothing.
    void showCurve(const CurveDesign& curve);
    // Shows the radius fields' values as teeth and a hole, after any change of them.
    void showRadii(float anchor, float runner, bool inside, float penHole);

    // The tooth counts of the anchor, the runner and the nested wheels, when every radius is a
    // whole count: how a toothed curve closes, in whole numbers.
    struct Teeth {
        int anchor = 0;
        int runner = 0;
        QList<int> nested;
    };
    std::optional<Teeth> wholeTeeth() const;

    // The runner has changed sides: an anchor picked as a ring rolls on its other teeth.
    void runnerSideChanged(bool inside);
    // The radius the pen must stay within: the last wheel's.
    float lastWheelRadius(float runnerRadius) const;

signals:
    // A change by the user, after it has been entered: `control` names it in the history.
    void edited(QWidget* control);

private:
    struct NestedRow;
    void buildSizesRow(const Rows& rows);
    void buildTeethRows(const Rows& rows);
    void buildNestedRows(const Rows& rows);
    void buildPitchRow(const Rows& rows);
    void setSizes(WheelSizes sizes);
    void addWheel();
    void removeWheel();
    void addNestedRow(const NestedWheelDesign& wheel);
    void showNestedCount();
    // The radii of the counts and the hole shown, into the radius fields.
    void enterShownTeeth();
    void enterTeeth(QWidget* control);
    void changePitch(double pitch);
    int lastWheelTeeth() const;
    void showHoles(float penHole);
    static void showCount(QSpinBox& box, double radius, double pitch);
    void selectKitItem(QComboBox& kitBox, int teeth) const;

    Rows m_rows;
    GearKit m_kit;
    QString m_kitProblem;
    std::function<void(const ChosenRadii&)> m_enterRadii;
    WheelSizes m_sizes = WheelSizes::Radii;
    double m_pitch;
    bool m_inside = false;
    float m_anchorRadius = 0;
    float m_runnerRadius = 0;
    float m_penHoleRadius = 0;

    QComboBox* m_sizesBox = nullptr;
    QLabel* m_anchorTeethLabel = nullptr;
    QSpinBox* m_anchorTeeth = nullptr;
    QComboBox* m_anchorKit = nullptr;
    QLabel* m_runnerTeethLabel = nullptr;
    QSpinBox* m_runnerTeeth = nullptr;
    QComboBox* m_runnerKit = nullptr;
    QLabel* m_holeLabel = nullptr;
    QSpinBox* m_hole = nullptr;
    QLabel* m_pitchLabel = nullptr;
    QDoubleSpinBox* m_pitchBox = nullptr;
    QList<NestedRow*> m_nested;
    QAction* m_addWheel = nullptr;
    QAction* m_removeWheel = nullptr;
    QWidget* m_addWheelButton = nullptr;      // what the history names each change by
    QWidget* m_removeWheelButton = nullptr;
};
