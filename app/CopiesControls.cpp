#include "app/CopiesControls.h"

#include "app/Design.h"

#include <QBoxLayout>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

constexpr double kMostTurn = 360;

template <typename Box>
Box* numberBox(const QString& accessibleName, const QString& toolTip)
{
    auto* box = new Box;
    box->setAccessibleName(accessibleName);
    box->setToolTip(toolTip);
    box->setKeyboardTracking(false);   // a number typed digit by digit is one change
    return box;
}

}

CopiesControls::CopiesControls(QBoxLayout* layout, int at, QObject* parent)
    : QObject(parent)
{
    m_count = numberBox<QSpinBox>(tr("Copies"), tr("How many copies of the selected curve are drawn, each turned further"));
    m_count->setObjectName(QStringLiteral("copiesCount"));
    m_count->setRange(1, CurveCopies::kMost);
    m_turn = numberBox<QDoubleSpinBox>(tr("Turn between copies"),
                                       tr("How far each copy is turned from the one before; a full turn shared out "
                                          "until set"));
    m_turn->setObjectName(QStringLiteral("copyTurn"));
    m_turn->setRange(-kMostTurn, kMostTurn);
    m_turn->setDecimals(3);
    m_turn->setSuffix(QStringLiteral("°"));
    m_scale = numberBox<QDoubleSpinBox>(tr("Scale of each copy"), tr("Each copy's size as a factor of the one before"));
    m_scale->setObjectName(QStringLiteral("copyScale"));
    m_scale->setRange(kSmallestCopyScale, kLargestCopyScale);
    m_scale->setDecimals(3);
    m_scale->setSingleStep(0.01);
    m_scale->setPrefix(QStringLiteral("×"));
    m_hue = numberBox<QDoubleSpinBox>(tr("Hue step between copies"),
                                      tr("How far round the colour circle each copy's colours are from the one before's"));
    m_hue->setObjectName(QStringLiteral("copyHueStep"));
    m_hue->setRange(-kLargestHueStep, kLargestHueStep);
    m_hue->setDecimals(1);
    m_hue->setSuffix(QStringLiteral("°"));

    auto* grid = new QGridLayout;
    const auto place = [grid](const QString& text, QWidget* box, int row, int column) {
        auto* label = new QLabel(text);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
    };
    place(tr("C&opies:"), m_count, 0, 0);
    place(tr("Step:"), m_turn, 0, 2);
    place(tr("Scale:"), m_scale, 1, 0);
    place(tr("Hue:"), m_hue, 1, 2);
    layout->insertLayout(at, grid);
    showValues();

    connect(m_count, &QSpinBox::valueChanged, this, [this](int count) {
        m_copies.count = count;
        showValues();   // a turn shared out follows the count
        emit edited(m_copies, m_count);
    });
    connect(m_turn, &QDoubleSpinBox::valueChanged, this, [this](double turn) {
        m_copies.turn = turn;
        emit edited(m_copies, m_turn);
    });
    connect(m_scale, &QDoubleSpinBox::valueChanged, this, [this](double scale) {
        m_copies.scale = scale;
        emit edited(m_copies, m_scale);
    });
    connect(m_hue, &QDoubleSpinBox::valueChanged, this, [this](double step) {
        m_copies.hueStep = step;
        emit edited(m_copies, m_hue);
    });
}

void CopiesControls::showCopies(const CurveCopies& copies)
{
    m_copies = copies;
    showValues();
}

void CopiesControls::showValues()
{
    const QSignalBlocker count(m_count), turn(m_turn), scale(m_scale), hue(m_hue);
    m_count->setValue(m_copies.count);
    m_turn->setValue(m_copies.step());
    m_scale->setValue(m_copies.scale);
    m_hue->setValue(m_copies.hueStep);
    // A single curve has nothing to turn, scale or shift.
    for (QWidget* box : {static_cast<QWidget*>(m_turn), static_cast<QWidget*>(m_scale), static_cast<QWidget*>(m_hue)})
        box->setEnabled(m_copies.count > 1);
}
