#pragma once

// The options that the vector export shows beside its file list: the paper and its margin, the
// drawing's size, the pen, the simplification, how fills are plotted, and, told again as the
// options change, a small picture of the page as plotted and what the plot will cost the plotter; and, when a curve shown is coloured along
// its length, a note that its gradient takes a pen for each colour. Each confirmed export remembers them in
// the settings, and the next export, SVG or PDF, in this run or a later one, opens with them: a
// plotter's pen and paper stay from one session to the next.

#include "output/PlotCostEstimate.h"
#include "output/VectorExport.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

class VectorExportOptions : public QWidget
{
    Q_OBJECT

public:
    // The cost told is that of plotting `design` (as exported: see exportedComposition).
    explicit VectorExportOptions(const Composition& design, QWidget* parent = nullptr);
    ~VectorExportOptions() override;

    // Shows `options`; a value beyond a field's range is held within it.
    void showOptions(const PlotOptions& options);
    // The options as they stand.
    PlotOptions options() const;

    // The side of the page's picture.
    static constexpr int kPreviewSide = 150;

private:
    void optionsChanged();

    QComboBox* m_paper;
    QComboBox* m_orientation;
    QDoubleSpinBox* m_pageWidth;
    QDoubleSpinBox* m_pageHeight;
    QDoubleSpinBox* m_margin;
    QDoubleSpinBox* m_drawingSize;
    QDoubleSpinBox* m_penWidth;
    QDoubleSpinBox* m_tolerance;
    QComboBox* m_fill;
    QDoubleSpinBox* m_hatchSpacing;
    QDoubleSpinBox* m_hatchAngle;
    QCheckBox* m_crossHatch;
    QDoubleSpinBox* m_speed;
    QLabel* m_cost;
    QLabel* m_preview;
    QLabel* m_gradientNote;
    QSizeF m_customSize;   // the page of the user's own size, kept while a preset is shown
    bool m_showsCustom = false;
    PlotCostEstimate m_estimate;
    bool m_showing = false;   // while showOptions sets the fields one by one
};

// The options an export of a design with this pen width opens with: the ones last confirmed, or
// the defaults before any (and in place of a remembered value that is no number). The pen width
// is the design's on paper unless the one chosen last was chosen for a design of the same pen width.
PlotOptions initialVectorOptions(float designPenWidth);
// Keeps `options`, chosen for a design of this pen width, for the next exports.
void rememberVectorOptions(const PlotOptions& options, float designPenWidth);
