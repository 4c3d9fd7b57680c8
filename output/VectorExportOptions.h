#pragma once

// The options that the vector export shows below its file list (ui/VectorExportOptions.ui): the
// drawing's size and margin, the pen width and the simplification, all in millimetres. Each
// confirmed export remembers them in the settings, and the next export, SVG or PDF, in this run
// or a later one, opens with them: a plotter's pen and paper stay from one session to the next.

#include "output/VectorExport.h"

#include <QWidget>

#include <memory>

namespace Ui { class VectorExportOptions; }

class VectorExportOptions : public QWidget
{
    Q_OBJECT

public:
    // The simplification is shown for SVG only: the PDF is the view's own drawing, every point.
    explicit VectorExportOptions(VectorFormat format, QWidget* parent = nullptr);
    ~VectorExportOptions() override;

    // Shows the options of `settings`; a value beyond a field's range is held within it.
    void showOptions(const VectorExportSettings& settings);
    // The options as they stand, written into `settings`; the rest of it is left alone.
    void readOptions(VectorExportSettings& settings) const;

private:
    void showPageSize();

    std::unique_ptr<Ui::VectorExportOptions> m_ui;
};

// The options an export of a design with this pen width opens with: the ones last confirmed, or
// the defaults before any (and in place of a remembered value that is no number). The pen width
// is the design's on paper unless the one chosen last was chosen for a design of the same pen width.
VectorExportSettings initialVectorOptions(float designPenWidth);
// Keeps the options of `settings`, chosen for a design of this pen width, for the next exports.
void rememberVectorOptions(const VectorExportSettings& settings, float designPenWidth);
