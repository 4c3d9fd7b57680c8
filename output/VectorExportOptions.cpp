#include "output/VectorExportOptions.h"

#include "ui_VectorExportOptions.h"

#include <QLocale>
#include <QSettings>

#include <cmath>

namespace {

const QString kGroup = QStringLiteral("vectorExport");
const QString kSizeKey = QStringLiteral("drawingSizeMm");
const QString kMarginKey = QStringLiteral("marginMm");
const QString kPenWidthKey = QStringLiteral("penWidthMm");
const QString kToleranceKey = QStringLiteral("simplifyToleranceMm");
const QString kDesignPenWidthKey = QStringLiteral("designPenWidth");

// A remembered number, or `fallback` where there is none that is finite.
double remembered(const QSettings& settings, const QString& key, double fallback)
{
    bool isNumber = false;
    const double value = settings.value(key).toDouble(&isNumber);
    return isNumber && std::isfinite(value) ? value : fallback;
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
    QSettings stored;
    stored.beginGroup(kGroup);
    VectorExportSettings settings;
    settings.sizeMm = remembered(stored, kSizeKey, settings.sizeMm);
    settings.marginMm = remembered(stored, kMarginKey, settings.marginMm);
    settings.simplifyToleranceMm = remembered(stored, kToleranceKey, settings.simplifyToleranceMm);
    // Compared as floats, as the design holds its width: a double would round it differently.
    const auto chosenFor = static_cast<float>(remembered(stored, kDesignPenWidthKey, qQNaN()));
    settings.penWidthMm = chosenFor == designPenWidth ? remembered(stored, kPenWidthKey, qQNaN()) : qQNaN();
    if (std::isnan(settings.penWidthMm))
        settings.penWidthMm = penWidthInMillimetres(designPenWidth);
    return settings;
}

void rememberVectorOptions(const VectorExportSettings& settings, float designPenWidth)
{
    QSettings stored;
    stored.beginGroup(kGroup);
    stored.setValue(kSizeKey, settings.sizeMm);
    stored.setValue(kMarginKey, settings.marginMm);
    stored.setValue(kPenWidthKey, settings.penWidthMm);
    stored.setValue(kToleranceKey, settings.simplifyToleranceMm);
    stored.setValue(kDesignPenWidthKey, static_cast<double>(designPenWidth));   // every float is a double
}
