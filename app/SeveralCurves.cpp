#include "app/SeveralCurves.h"

#include "app/DesignKeys.h"
#include "app/WindowControls.h"
#include "widgets/Controls.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

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

void MixedValues::show(const CurveDesign& current, const QList<CurveDesign>& selected)
{
    const WindowControls& controls = m_controls;
    m_mixedNumbers.clear();
    m_mixedSwitches.clear();
    for (int tag = AnchorRadiusTag; tag <= RevolutionsTag; ++tag) {
        NumberField* field = controls.numericControls(tag)->input;
        if (!field)
            continue;
        const QString CurveDesign::*value = kTypedNumbers[tag - 1].member;
        const bool differs = std::any_of(selected.begin(), selected.end(),
                                         [&](const CurveDesign& curve) { return curve.*value != current.*value; });
        if (differs) {
            field->showMixed(differ());
            m_mixedNumbers.append(tag);
        } else if (field->isMixed())
            field->setCommittedText(current.*value);
    }
    for (int place = 0; place < int(std::size(kMixedSwitches)); ++place) {
        const MixedSwitch& binding = kMixedSwitches[place];
        QCheckBox* box = controls.*binding.control;
        const bool differs = std::any_of(selected.begin(), selected.end(), [&](const CurveDesign& curve) {
            return curve.*binding.value != current.*binding.value;
        });
        if (differs) {
            showMixed(box, current.*binding.value, differ());
            m_mixedSwitches.append(place);
        } else {
            showUnmixed(box, current.*binding.value);
        }
    }
}

void MixedValues::carrySetValues(const CurveDesign& shown, CurveDesign& other) const
{
    for (const int tag : m_mixedNumbers) {
        const NumberField* field = m_controls.numericControls(tag)->input;
        if (field && field->wasSetWhileMixed())
            other.*kTypedNumbers[tag - 1].member = shown.*kTypedNumbers[tag - 1].member;
    }
    for (const int place : m_mixedSwitches) {
        const MixedSwitch& binding = kMixedSwitches[std::size_t(place)];
        const QCheckBox* box = m_controls.*binding.control;
        if (wasSetWhileMixed(box))
            other.*binding.value = shown.*binding.value;
    }
}
