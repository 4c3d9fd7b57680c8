#include "output/SaveOptions2.h"

#include "output/PngEncoding.h"
#include "widgets/Controls.h"
#include "ui_SaveOptions.h"

#include <QSettings>
#include <QSpinBox>

namespace {

const QString kEdgeKey = QStringLiteral("pngExport/edge");
const QString kEnlargeKey = QStringLiteral("pngExport/enlarge");
const QString kDotsPerInchKey = QStringLiteral("pngExport/dotsPerInch");
constexpr int kFewestDotsPerInch = 1;
constexpr int kMostDotsPerInch = 10000;

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
    m_dotsPerInch = new QSpinBox;
    m_dotsPerInch->setObjectName(QStringLiteral("pngDotsPerInch"));
    m_dotsPerInch->setRange(kFewestDotsPerInch, kMostDotsPerInch);
    m_dotsPerInch->setSuffix(tr(" dpi"));
    m_dotsPerInch->setValue(static_cast<int>(kDefaultPngDotsPerInch));
    m_dotsPerInch->setToolTip(tr("How large the image prints: its pixels to the inch"));
    m_ui->saveOptionsLayout->addRow(tr("&Resolution:"), m_dotsPerInch);
}

int SaveOptions2::dotsPerInch() const
{
    return m_dotsPerInch->value();
}

SaveOptions2::~SaveOptions2() = default;

void SaveOptions2::showRememberedChoices(int suggestedEdge)
{
    const QSettings stored;
    bool isNumber = false;
    const int edge = stored.value(kEdgeKey).toInt(&isNumber);
    m_ui->savePixelSize->setCurrentText(QString::number(isNumber ? edge : suggestedEdge));
    const int dotsPerInch = stored.value(kDotsPerInchKey).toInt(&isNumber);
    if (isNumber)
        m_dotsPerInch->setValue(dotsPerInch);
    if (!stored.contains(kEnlargeKey))
        return;
    const bool enlarge = stored.value(kEnlargeKey).toBool();
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
