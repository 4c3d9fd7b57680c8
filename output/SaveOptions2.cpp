#include "output/SaveOptions2.h"

#include "output/PngExport.h"
#include "widgets/Controls.h"
#include "ui_SaveOptions.h"

#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>

namespace {

const QString kEdgeKey = QStringLiteral("pngExport/edge");
const QString kEnlargeKey = QStringLiteral("pngExport/enlarge");
// Not the earlier key: that one kept a density chosen by default, which printed four times too small.
const QString kDotsPerInchKey = QStringLiteral("pngExport/resolution");
constexpr int kNaturalDotsPerInch = 0;

}

SaveOptions2::SaveOptions2(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::SaveOptions>())
{
    m_ui->setupUi(this);
    m_enlargeOption = m_ui->enlargeOption;
    m_savePixelSize = m_ui->savePixelSize;
    // The radio buttons carry their tags as properties; the group answers with them.
    for (QAbstractButton* button : m_ui->enlargeOption->buttons())
        m_ui->enlargeOption->setId(button, tagOf(button));
    showEnlargement(PngExportSettings().enlarge);
    m_ui->saveOptionsLayout->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_dotsPerInch = new QSpinBox;
    m_dotsPerInch->setObjectName(QStringLiteral("pngDotsPerInch"));
    m_dotsPerInch->setRange(kNaturalDotsPerInch, kMostPngDotsPerInch);
    m_dotsPerInch->setSuffix(tr(" dpi"));
    m_dotsPerInch->setSpecialValueText(tr("Natural size"));
    m_dotsPerInch->setValue(kNaturalDotsPerInch);
    m_dotsPerInch->setToolTip(tr("How large the image prints: its pixels to the inch. Natural size prints the "
                                 "design as large as the SVG and PDF show it."));
    m_ui->saveOptionsLayout->addRow(tr("&Resolution:"), m_dotsPerInch);
    m_printedSize = new QLabel;
    m_printedSize->setObjectName(QStringLiteral("pngPrintedSize"));
    m_ui->saveOptionsLayout->addRow(tr("Prints:"), m_printedSize);
    connect(m_dotsPerInch, &QSpinBox::valueChanged, this, &SaveOptions2::showPrintedSize);
    connect(m_ui->savePixelSize, &QComboBox::currentTextChanged, this, &SaveOptions2::showPrintedSize);
    connect(m_ui->enlargeOption, &QButtonGroup::idToggled, this, &SaveOptions2::showPrintedSize);
}

void SaveOptions2::showPrintedSize()
{
    const int edge = imageEdge(m_ui->savePixelSize->currentText());
    const bool enlarge = m_ui->enlargeOption->checkedId() == kEnlargeTag;
    const double dotsPerInch = m_dotsPerInch->value() > 0 ? m_dotsPerInch->value()
                                                          : naturalDotsPerInch(m_reach, edge, enlarge);
    const QString side = QLocale().toString(printedMillimetres(edge, dotsPerInch), 'f', 1);
    m_printedSize->setText(tr("%1 × %1 mm (%2 × %2 pixels at %3 dpi)")
                               .arg(side)
                               .arg(edge)
                               .arg(QLocale().toString(dotsPerInch, 'f', dotsPerInch < 100 ? 1 : 0)));
}

int SaveOptions2::dotsPerInch() const
{
    return m_dotsPerInch->value();
}

SaveOptions2::~SaveOptions2() = default;

void SaveOptions2::showRememberedChoices(int suggestedEdge, const FitExtent& reach)
{
    m_reach = reach;
    const QSettings stored;
    bool isNumber = false;
    const int edge = stored.value(kEdgeKey).toInt(&isNumber);
    m_ui->savePixelSize->setCurrentText(QString::number(isNumber ? edge : suggestedEdge));
    const int dotsPerInch = stored.value(kDotsPerInchKey).toInt(&isNumber);
    if (isNumber)
        m_dotsPerInch->setValue(dotsPerInch);
    if (stored.contains(kEnlargeKey))
        showEnlargement(stored.value(kEnlargeKey).toBool());
    showPrintedSize();
}

void SaveOptions2::showEnlargement(bool enlarge)
{
    for (QAbstractButton* button : m_ui->enlargeOption->buttons())
        if ((m_ui->enlargeOption->id(button) == kEnlargeTag) == enlarge)
            button->setChecked(true);
}

void SaveOptions2::rememberChoices(int edge, bool enlarge, int dotsPerInch)
{
    QSettings stored;
    stored.setValue(kDotsPerInchKey, dotsPerInch);
    stored.setValue(kEdgeKey, edge);
    stored.setValue(kEnlargeKey, enlarge);
}
