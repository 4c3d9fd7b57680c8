#pragma once

// The Curves group's copies of the selected curve: how many, the turn from one to the next
// (a full turn shared out until the user sets one), each one's size as a factor of the one
// before, and the step round the hue circle from one's colours to the next's. A change by the
// user is sent whole, as the curve's new copies.

#include "art/CurveCopies.h"

#include <QObject>

class QBoxLayout;
class QDoubleSpinBox;
class QSpinBox;
class QWidget;

class CopiesControls : public QObject
{
    Q_OBJECT

public:
    // The controls go into `layout` at `at`.
    CopiesControls(QBoxLayout* layout, int at, QObject* parent = nullptr);

    // Shows a curve's copies, sending nothing.
    void showCopies(const CurveCopies& copies);
    const CurveCopies& copies() const { return m_copies; }

signals:
    // `control` names the change in the history.
    void edited(const CurveCopies& copies, QWidget* control);

private:
    void showValues();

    CurveCopies m_copies;
    QSpinBox* m_count = nullptr;
    QDoubleSpinBox* m_turn = nullptr;
    QDoubleSpinBox* m_scale = nullptr;
    QDoubleSpinBox* m_hue = nullptr;
};
