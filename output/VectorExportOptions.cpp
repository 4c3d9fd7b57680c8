#include "output/VectorExportOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QPixmap>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

const QString kGroup = QStringLiteral("vectorExport");
// Pages and drawing sizes from before paper sizes were offered meant a page of the drawing and
// its margins: they are kept under names of their own, and these start afresh.
const QString kPaperKey = QStringLiteral("paper");
const QString kOrientationKey = QStringLiteral("orientation");
const QString kPageWidthKey = QStringLiteral("customPageWidthMm");
const QString kPageHeightKey = QStringLiteral("customPageHeightMm");
const QString kMarginKey = QStringLiteral("pageMarginMm");
const QString kSizeKey = QStringLiteral("drawnSizeMm");
const QString kPenWidthKey = QStringLiteral("penWidthMm");
const QString kDesignPenWidthKey = QStringLiteral("designPenWidth");
const QString kToleranceKey = QStringLiteral("simplifyToleranceMm");
const QString kGradientPensKey = QStringLiteral("gradientPens");
const QString kEveryColourStepKey = QStringLiteral("everyColourStep");
const QString kFillKey = QStringLiteral("fill");
const QString kHatchSpacingKey = QStringLiteral("hatchSpacingMm");
const QString kHatchAngleKey = QStringLiteral("hatchAngleDegrees");
const QString kCrossHatchKey = QStringLiteral("crossHatch");
const QString kSpeedKey = QStringLiteral("plotterSpeedMmPerSecond");

// In the order of their numbers, as the choice of paper lists them.
constexpr PaperSize kPapers[] = {PaperSize::A5, PaperSize::A4, PaperSize::A3, PaperSize::Letter,
                                 PaperSize::Legal, PaperSize::Tabloid, PaperSize::Square, PaperSize::Custom};

// A remembered number, or `fallback` where there is none that is finite.
double remembered(const QSettings& settings, const QString& key, double fallback)
{
    bool isNumber = false;
    const double value = settings.value(key).toDouble(&isNumber);
    return isNumber && std::isfinite(value) ? value : fallback;
}

// A remembered choice of `count`, or `fallback` where there is none among them.
template<typename Choice>
Choice rememberedChoice(const QSettings& settings, const QString& key, int count, Choice fallback)
{
    bool isNumber = false;
    const int value = settings.value(key).toInt(&isNumber);
    return isNumber && value >= 0 && value < count ? static_cast<Choice>(value) : fallback;
}

QDoubleSpinBox* millimetreField(const char* name, double minimum, double maximum, int decimals, const QString& toolTip)
{
    auto* field = new QDoubleSpinBox;
    field->setObjectName(QLatin1String(name));
    field->setRange(minimum, maximum);
    field->setDecimals(decimals);
    field->setSuffix(QStringLiteral(" mm"));
    field->setToolTip(toolTip);
    field->setAccelerated(true);
    return field;
}

QComboBox* choiceField(const char* name, const QStringList& choices)
{
    auto* field = new QComboBox;
    field->setObjectName(QLatin1String(name));
    field->addItems(choices);
    return field;
}

// Whether a curve that shows is coloured along its length.
bool showsGradient(const Composition& design)
{
    return std::any_of(design.curves.begin(), design.curves.end(), [](const ComposedCurve& curve) {
        return curve.visible && curve.art.colouring.mode != ColourMode::Stretches;
    });
}

QWidget* row(std::initializer_list<QWidget*> widgets)
{
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch();
    return holder;
}

}

VectorExportOptions::VectorExportOptions(const Composition& design, QWidget* parent)
    : QWidget(parent)
    , m_estimate(design)
{
    // Numbers read and show as in the window's own fields, with a decimal point in every locale.
    setLocale(QLocale::c());
    QStringList papers;
    for (const PaperSize paper : kPapers)
        papers << paperName(paper);
    m_paper = choiceField("paperSize", papers);
    m_orientation = choiceField("paperOrientation", {tr("Portrait"), tr("Landscape")});
    m_pageWidth = millimetreField("pageWidth", 1, kLargestPageSideMm, 2, tr("The width of a page of your own size"));
    m_pageHeight = millimetreField("pageHeight", 1, kLargestPageSideMm, 2, tr("The height of a page of your own size"));
    m_margin = millimetreField("pageMargin", 0, kLargestPageSideMm / 2, 2, tr("Blank paper around the drawing on every side"));
    m_drawingSize = millimetreField("drawingSize", 0, kLargestPageSideMm, 2,
                                    tr("How wide the design is drawn, from edge to edge of its bounding circle"));
    m_drawingSize->setSpecialValueText(tr("Largest that fits"));
    m_penWidth = millimetreField("penWidth", 0.01, 20, 3, tr("The width of the plotter's pen: every stroke is drawn this wide"));
    m_tolerance = millimetreField("simplifyTolerance", 0, 5, 3,
                                  tr("Points are left out where the line moves by no more than this; 0 keeps every point"));
    m_tolerance->setSingleStep(0.01);
    m_fill = choiceField("fillStyle", {tr("Solid"), tr("Hatch"), tr("Leave Out")});
    m_fill->setToolTip(tr("A solid fill is for screens and print, and plotters skip its layer; hatching draws lines across it with the fill's colour"));
    m_hatchSpacing = millimetreField("hatchSpacing", kFinestHatchSpacingMm, 100, 2, tr("The distance between hatching lines"));
    m_hatchAngle = new QDoubleSpinBox;
    m_hatchAngle->setObjectName(QStringLiteral("hatchAngle"));
    m_hatchAngle->setRange(-360, 360);
    m_hatchAngle->setSuffix(QStringLiteral("°"));
    m_hatchAngle->setToolTip(tr("The hatching lines' angle from the page's horizontal, counter-clockwise"));
    m_crossHatch = new QCheckBox(tr("C&ross-hatch"));
    m_crossHatch->setObjectName(QStringLiteral("crossHatch"));
    m_gradientPens = new QSpinBox;
    m_gradientPens->setObjectName(QStringLiteral("gradientPens"));
    m_gradientPens->setRange(0, kMostGradientPens);
    m_gradientPens->setSpecialValueText(tr("One per stop colour"));
    m_gradientPens->setToolTip(tr("How many pens plot a gradient: each stretch takes the pen nearest its colour"));
    m_everyColourStep = new QCheckBox(tr("E&very colour step"));
    m_everyColourStep->setObjectName(QStringLiteral("everyColourStep"));
    m_everyColourStep->setToolTip(tr("Each colour step of a gradient a path of its own, for vector editors"));
    m_speed = millimetreField("plotterSpeed", 1, 1000, 0, tr("How fast your plotter draws, for the time the plot takes"));
    m_speed->setSuffix(QStringLiteral(" mm/s"));
    m_cost = new QLabel;
    m_cost->setObjectName(QStringLiteral("plotCost"));
    m_cost->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_gradientNote = new QLabel(tr("A gradient is plotted with the pens chosen, each stretch in the nearest colour; "
                                   "with every colour step, a plotter needs a pen for each colour."));
    m_gradientNote->setObjectName(QStringLiteral("gradientNote"));
    m_gradientNote->setWordWrap(true);
    m_gradientNote->setVisible(showsGradient(design));

    // The page's picture and what the plot costs on top, every option below in one column: the
    // panel stands beside the file list, as tall as the dialog.
    m_preview = new QLabel;
    m_preview->setObjectName(QStringLiteral("plotPreview"));
    m_preview->setFixedSize(kPreviewSide, kPreviewSide);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setAccessibleName(tr("The page as it will be plotted"));
    m_cost->setWordWrap(true);
    m_cost->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* top = new QHBoxLayout;
    top->addWidget(m_preview, 0, Qt::AlignTop);
    top->addWidget(m_cost, 1);

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(tr("P&aper:"), row({m_paper, m_orientation}));
    form->addRow(tr("Pa&ge:"), row({m_pageWidth, new QLabel(QStringLiteral("×")), m_pageHeight}));
    form->addRow(tr("&Margin:"), m_margin);
    form->addRow(tr("Drawing &size:"), m_drawingSize);
    form->addRow(tr("&Pen width:"), m_penWidth);
    form->addRow(tr("Simplify for p&lotters:"), m_tolerance);
    form->addRow(tr("&Fill:"), m_fill);
    form->addRow(tr("&Hatching:"), row({m_hatchSpacing, m_hatchAngle, m_crossHatch}));
    form->addRow(tr("Gradie&nt pens:"), row({m_gradientPens, m_everyColourStep}));
    form->addRow(tr("Plotter spee&d:"), m_speed);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addLayout(form);
    column->addWidget(m_gradientNote);
    column->addStretch();

    m_estimate.setPreviewSize(m_preview->size(), devicePixelRatioF());
    connect(&m_estimate, &PlotCostEstimate::previewed, m_preview,
            [this](const QImage& page) { m_preview->setPixmap(QPixmap::fromImage(page)); });

    for (QComboBox* choice : {m_paper, m_orientation, m_fill})
        connect(choice, &QComboBox::currentIndexChanged, this, &VectorExportOptions::optionsChanged);
    for (QDoubleSpinBox* field : {m_pageWidth, m_pageHeight, m_margin, m_drawingSize, m_penWidth, m_tolerance,
                                  m_hatchSpacing, m_hatchAngle, m_speed})
        connect(field, &QDoubleSpinBox::valueChanged, this, &VectorExportOptions::optionsChanged);
    connect(m_crossHatch, &QCheckBox::toggled, this, &VectorExportOptions::optionsChanged);
    connect(m_everyColourStep, &QCheckBox::toggled, this, &VectorExportOptions::optionsChanged);
    connect(m_gradientPens, &QSpinBox::valueChanged, this, &VectorExportOptions::optionsChanged);
    connect(&m_estimate, &PlotCostEstimate::estimated, m_cost, &QLabel::setText);
    showOptions(PlotOptions{});
}

VectorExportOptions::~VectorExportOptions() = default;

void VectorExportOptions::showOptions(const PlotOptions& options)
{
    m_showing = true;
    const PlotPage& page = options.page;
    m_paper->setCurrentIndex(int(page.paper));
    m_orientation->setCurrentIndex(page.orientation == PaperOrientation::Landscape ? 1 : 0);
    m_customSize = page.customSizeMm;
    m_showsCustom = false;   // so that a Custom page shows its own size
    m_pageWidth->setValue(page.customSizeMm.width());
    m_pageHeight->setValue(page.customSizeMm.height());
    m_margin->setValue(page.marginMm);
    m_drawingSize->setValue(page.drawingSizeMm);
    m_penWidth->setValue(options.penWidthMm);
    m_tolerance->setValue(options.simplifyToleranceMm);
    m_fill->setCurrentIndex(int(options.fill));
    m_hatchSpacing->setValue(options.hatch.spacingMm);
    m_hatchAngle->setValue(options.hatch.angleDegrees);
    m_crossHatch->setChecked(options.hatch.crossHatch);
    m_gradientPens->setValue(options.gradientPens);
    m_everyColourStep->setChecked(options.everyColourStep);
    m_speed->setValue(options.speedMmPerSecond);
    m_showing = false;
    optionsChanged();
}

PlotOptions VectorExportOptions::options() const
{
    PlotOptions options;
    options.page.paper = static_cast<PaperSize>(std::max(m_paper->currentIndex(), 0));
    options.page.orientation = m_orientation->currentIndex() == 1 ? PaperOrientation::Landscape : PaperOrientation::Portrait;
    options.page.customSizeMm = options.page.paper == PaperSize::Custom ? QSizeF(m_pageWidth->value(), m_pageHeight->value())
                                                                        : m_customSize;
    options.page.marginMm = m_margin->value();
    options.page.drawingSizeMm = m_drawingSize->value();
    options.penWidthMm = m_penWidth->value();
    options.simplifyToleranceMm = m_tolerance->value();
    options.fill = static_cast<FillStyle>(std::max(m_fill->currentIndex(), 0));
    options.hatch = {m_hatchAngle->value(), m_hatchSpacing->value(), m_crossHatch->isChecked()};
    options.gradientPens = m_gradientPens->value();
    options.everyColourStep = m_everyColourStep->isChecked();
    options.speedMmPerSecond = m_speed->value();
    return options;
}

void VectorExportOptions::optionsChanged()
{
    if (m_showing)
        return;
    const bool custom = m_paper->currentIndex() == int(PaperSize::Custom);
    if (custom && !m_showsCustom) {   // the user's own size comes back as it was
        const QSignalBlocker widthBlocked(m_pageWidth), heightBlocked(m_pageHeight);
        m_pageWidth->setValue(m_customSize.width());
        m_pageHeight->setValue(m_customSize.height());
    }
    m_showsCustom = custom;
    const PlotOptions shown = options();
    if (custom)
        m_customSize = shown.page.customSizeMm;
    // A preset paper shows its size as it stands, turned or not; only a page of one's own is typed.
    const QSizeF size = pageSizeMm(shown.page);
    if (QSizeF(m_pageWidth->value(), m_pageHeight->value()) != size) {
        const QSignalBlocker widthBlocked(m_pageWidth), heightBlocked(m_pageHeight);
        m_pageWidth->setValue(size.width());
        m_pageHeight->setValue(size.height());
    }
    m_pageWidth->setEnabled(custom);
    m_pageHeight->setEnabled(custom);
    m_orientation->setEnabled(!custom && shown.page.paper != PaperSize::Square);
    const bool hatched = shown.fill == FillStyle::Hatch;
    for (QWidget* hatching : std::initializer_list<QWidget*>{m_hatchSpacing, m_hatchAngle, m_crossHatch})
        hatching->setEnabled(hatched);
    m_cost->setText(tr("Working out what the plot costs…"));
    m_estimate.estimate(shown);
}

PlotOptions initialVectorOptions(float designPenWidth)
{
    QSettings stored;
    stored.beginGroup(kGroup);
    PlotOptions options;
    PlotPage& page = options.page;
    page.paper = rememberedChoice(stored, kPaperKey, int(std::size(kPapers)), page.paper);
    page.orientation = rememberedChoice(stored, kOrientationKey, 2, page.orientation);
    page.customSizeMm = QSizeF(remembered(stored, kPageWidthKey, page.customSizeMm.width()),
                               remembered(stored, kPageHeightKey, page.customSizeMm.height()));
    page.marginMm = remembered(stored, kMarginKey, page.marginMm);
    page.drawingSizeMm = remembered(stored, kSizeKey, page.drawingSizeMm);
    options.simplifyToleranceMm = remembered(stored, kToleranceKey, options.simplifyToleranceMm);
    options.fill = rememberedChoice(stored, kFillKey, 3, options.fill);
    options.hatch.spacingMm = remembered(stored, kHatchSpacingKey, options.hatch.spacingMm);
    options.hatch.angleDegrees = remembered(stored, kHatchAngleKey, options.hatch.angleDegrees);
    options.hatch.crossHatch = stored.value(kCrossHatchKey, options.hatch.crossHatch).toBool();
    options.gradientPens = std::clamp(stored.value(kGradientPensKey, options.gradientPens).toInt(), 0, kMostGradientPens);
    options.everyColourStep = stored.value(kEveryColourStepKey, options.everyColourStep).toBool();
    options.speedMmPerSecond = remembered(stored, kSpeedKey, options.speedMmPerSecond);
    // Compared as floats, as the design holds its width: a double would round it differently.
    const auto chosenFor = static_cast<float>(remembered(stored, kDesignPenWidthKey, qQNaN()));
    options.penWidthMm = chosenFor == designPenWidth ? remembered(stored, kPenWidthKey, qQNaN()) : qQNaN();
    if (std::isnan(options.penWidthMm))
        options.penWidthMm = penWidthInMillimetres(designPenWidth);
    return options;
}

void rememberVectorOptions(const PlotOptions& options, float designPenWidth)
{
    QSettings stored;
    stored.beginGroup(kGroup);
    const PlotPage& page = options.page;
    stored.setValue(kPaperKey, int(page.paper));
    stored.setValue(kOrientationKey, int(page.orientation));
    stored.setValue(kPageWidthKey, page.customSizeMm.width());
    stored.setValue(kPageHeightKey, page.customSizeMm.height());
    stored.setValue(kMarginKey, page.marginMm);
    stored.setValue(kSizeKey, page.drawingSizeMm);
    stored.setValue(kPenWidthKey, options.penWidthMm);
    stored.setValue(kDesignPenWidthKey, static_cast<double>(designPenWidth));   // every float is a double
    stored.setValue(kToleranceKey, options.simplifyToleranceMm);
    stored.setValue(kFillKey, int(options.fill));
    stored.setValue(kGradientPensKey, options.gradientPens);
    stored.setValue(kEveryColourStepKey, options.everyColourStep);
    stored.setValue(kHatchSpacingKey, options.hatch.spacingMm);
    stored.setValue(kHatchAngleKey, options.hatch.angleDegrees);
    stored.setValue(kCrossHatchKey, options.hatch.crossHatch);
    stored.setValue(kSpeedKey, options.speedMmPerSecond);
}
