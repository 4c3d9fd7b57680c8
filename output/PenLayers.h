#pragma once

// The labels of a plotted drawing's layers. A plotter draws one pen at a time, so each pen
// layer says which pen it wants: pens are numbered by colour, in the order the picture first
// uses each, so that two curves in one colour share a pen and the user swaps pens only when
// the number changes. A pen layer's label begins with its own number, by which the layers can
// be plotted one at a time; a fill's and the background's begin with "%", the mark of a layer not
// to be plotted, as no pen draws them. With several curves, each label ends with its curve's name.

#include <QColor>
#include <QString>

#include <vector>

enum class LayerKind { Pen, Fill, Gradient, Background };

struct PlotLayer {
    QString curveName;
    QColor colour;   // an invalid colour paints nothing: the layer is not written; a gradient's first
    LayerKind kind = LayerKind::Pen;
};

struct LayerLabel {
    int number = 0;   // N: the place among the pen and gradient layers, from 1; 0 for a fill or no layer
    int pen = 0;      // K: the pen, by colour, from 1; 0 for a fill, a gradient or no layer
    // "N pen K #rrggbb", "N gradient" or "% fill #rrggbb", then " <curve name>"; "% background
    // #rrggbb"; empty for no layer
    QString text;
};

// Labels one layer after another, as a drawing is written: the picture's pens so far are kept.
class LayerNumbering
{
public:
    // A picture of several curves puts each layer's curve name on its label.
    explicit LayerNumbering(bool severalCurves) : m_severalCurves(severalCurves) {}

    // The label of the next layer drawn; no label for a layer without a colour.
    LayerLabel next(const PlotLayer& layer);

private:
    bool m_severalCurves;
    std::vector<QString> m_pens;   // the pen colours so far, pen K at K - 1
    int m_penLayers = 0;
};
