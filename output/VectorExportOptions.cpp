#include "output/VectorExportOptions.h"

#include "ui_VectorExportOptions.h"

#include <QLocale>

#include <optional>

namespace {

struct RememberedOptions {
    VectorExportSettings settings;
    float designPenWidth = 0;
};

// For the run only: a plotter's pen and paper change between sessions more than within one.
std::optional<RememberedOptions>& remembered()
{
    static std::optional<RememberedOptions> options;
    return options;
}

}

VectorExportOptions::VectorExportOptions(VectorFormat format, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::VectorExportOptions>())
{
    m_ui->setupUi(this);
    m_ui->vectorOptionsLayout->setRowVisible(m_ui->simplifyToleranceLayout, format == VectorFormat::Svg);
    // Numbers read and show as in the window's own fields, with a decimal point in every locale.
    setLocale(QLocale::c());
    connect(m_ui->drawingSize, &QDoubleSpinBox::valueChanged, this, &VectorExportOptions::showPageSize);
    connect(m_ui->pageMargin, &QDoubleSpinBox::valueChanged, this, &VectorExportOptions::showPageSize);
    showPageSize();
}

VectorExportOptions::~VectorExportOptions() = default;

void VectorExportOptions::showOptions(const VectorExportSettings& settings)
{
    m_ui->drawingSize->setValue(settings.sizeMm);
    m_ui->pageMargin->setValue(settings.marginMm);
    m_ui->penWidth->setValue(settings.penWidthMm);
    m_ui->simplifyTolerance->setValue(settings.simplifyToleranceMm);
}

void VectorExportOptions::readOptions(VectorExportSettings& settings) const
{
    settings.sizeMm = m_ui->drawingSize->value();
    settings.marginMm = m_ui->pageMargin->value();
    settings.penWidthMm = m_ui->penWidth->value();
    settings.simplifyToleranceMm = m_ui->simplifyTolerance->value();
}

void VectorExportOptions::showPageSize()
{
    const double page = m_ui->drawingSize->value() + 2 * m_ui->pageMargin->value();
    const QString side = locale().toString(page, 'f', m_ui->drawingSize->decimals());
    m_ui->pageSize->setText(tr("page %1 × %1 mm").arg(side));
}

VectorExportSettings initialVectorOptions(float designPenWidth)
{
    const std::optional<RememberedOptions>& last = remembered();
    VectorExportSettings settings = last ? last->settings : VectorExportSettings();
    if (!last || last->designPenWidth != designPenWidth)
        settings.penWidthMm = penWidthInMillimetres(designPenWidth);
    return settings;
}

void rememberVectorOptions(const VectorExportSettings& settings, float designPenWidth)
{
    VectorExportSettings options;
    options.sizeMm = settings.sizeMm;
    options.marginMm = settings.marginMm;
    options.penWidthMm = settings.penWidthMm;
    options.simplifyToleranceMm = settings.simplifyToleranceMm;
    remembered() = RememberedOptions{options, designPenWidth};
}

void forgetVectorOptions()
{
    remembered().reset();
}
