#include "app/SeveralCurves.h"

#include "app/DesignKeys.h"
#include "app/WindowControls.h"
#include "widgets/Controls.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

template <typename T>
void carry(const T& before, const T& after, T& other)
{
    if (!(before == after))
        other = after;
}

// Colours as the file keeps them, whatever model they were picked in.
void carry(const QColor& before, const QColor& after, QColor& other)
{
    if (before.rgba() != after.rgba())
        other = after;
}

struct MixedSwitch {
    QPointer<QCheckBox> WindowControls::*control;
    bool CurveDesign::*value;
};

const MixedSwitch kMixedSwitches[] = {
    {&WindowControls::closeCurveCheckbox, &CurveDesign::closeCurve},
    {&WindowControls::fillCheckbox, &CurveDesign::fillShape},
    {&WindowControls::wheelGrease, &CurveDesign::greaseIt},
    {&WindowControls::limitRotations, &CurveDesign::limitRevolutions},
    {&WindowControls::confinePen, &CurveDesign::confinePen},
    {&WindowControls::preciseCurve, &CurveDesign::preciseCurve},
};

QString differ()
{
    return QCoreApplication::translate("SeveralCurves", "The selected curves differ here: a value set goes to all of them");
}

}

void carryEdit(const CurveDesign& before, const CurveDesign& after, CurveDesign& other)
{
    for (const auto& field : kTypedNumbers)
        carry(before.*field.member, after.*field.member, other.*field.member);
    for (const auto& field : kColors)
        carry(before.*field.member, after.*field.member, other.*field.member);
    for (const auto& field : kSwitches)
        carry(before.*field.member, after.*field.member, other.*field.member);
    carry(before.preciseCurve, after.preciseCurve, other.preciseCurve);
    carry(before.runnerSide, after.runnerSide, other.runnerSide);
    carry(before.colorsInUse, after.colorsInUse, other.colorsInUse);
    carry(before.penWidth, after.penWidth, other.penWidth);
    carry(before.colouring, after.colouring, other.colouring);
    carry(before.sizes, after.sizes, other.sizes);
    carry(before.nestedWheels, after.nestedWheels, other.nestedWheels);
}

void showMixedValues(const WindowControls& controls, const CurveDesign& current, const QList<CurveDesign>& selected)
{
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        NumberField* field = controls.numericControls(tag)->input;
        if (!field)
            continue;
        const QString CurveDesign::*value = kTypedNumbers[tag - 1].member;
        const bool differs = std::any_of(selected.begin(), selected.end(),
                                         [&](const CurveDesign& curve) { return curve.*value != current.*value; });
        if (differs)
            field->showMixed(differ());
        else if (field->isMixed())
            field->setCommittedText(current.*value);
    }
    for (const MixedSwitch& binding : kMixedSwitches) {
        QCheckBox* box = controls.*binding.control;
        const bool differs = std::any_of(selected.begin(), selected.end(), [&](const CurveDesign& curve) {
            return curve.*binding.value != current.*binding.value;
        });
        if (differs)
            showMixed(box, current.*binding.value, differ());
        else
            showUnmixed(box, current.*binding.value);
    }
}
