#include "output/PenLayers.h"

#include <algorithm>
#include <set>

namespace {

QString colourName(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

}

LayerLabel LayerNumbering::next(const PlotLayer& layer)
{
    LayerLabel label;
    if (!layer.colour.isValid())
        return label;
    const QString colour = colourName(layer.colour);
    if (layer.kind == LayerKind::Fill) {
        label.text = QStringLiteral("% fill ") + colour;
    } else {
        auto pen = std::find(m_pens.begin(), m_pens.end(), colour);
        if (pen == m_pens.end())
            pen = m_pens.insert(m_pens.end(), colour);
        label.number = ++m_penLayers;
        label.pen = int(pen - m_pens.begin()) + 1;
        label.text = QStringLiteral("%1 pen %2 %3").arg(label.number).arg(label.pen).arg(colour);
    }
    const QString name = layer.curveName.simplified();
    if (m_severalCurves && !name.isEmpty())
        label.text += QLatin1Char(' ') + name;
    return label;
}

std::vector<LayerLabel> layerLabels(const std::vector<PlotLayer>& layers)
{
    std::set<QString> curves;
    for (const PlotLayer& layer : layers)
        if (layer.colour.isValid())
            curves.insert(layer.curveName.simplified());
    LayerNumbering numbering(curves.size() > 1);
    std::vector<LayerLabel> labels;
    labels.reserve(layers.size());
    for (const PlotLayer& layer : layers)
        labels.push_back(numbering.next(layer));
    return labels;
}
