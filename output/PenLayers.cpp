#include "output/PenLayers.h"

#include <QStringList>

#include <set>

namespace {

QString colourName(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

}

std::vector<LayerLabel> layerLabels(const std::vector<PlotLayer>& layers)
{
    std::set<QString> curves;
    for (const PlotLayer& layer : layers)
        if (layer.colour.isValid())
            curves.insert(layer.curveName.simplified());
    const bool severalCurves = curves.size() > 1;

    std::vector<LayerLabel> labels(layers.size());
    QStringList pens;   // the pen colours so far, pen K at K - 1
    int penLayers = 0;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        const PlotLayer& layer = layers[i];
        if (!layer.colour.isValid())
            continue;
        LayerLabel& label = labels[i];
        const QString colour = colourName(layer.colour);
        if (layer.kind == LayerKind::Fill) {
            label.text = QStringLiteral("% fill ") + colour;
        } else {
            if (!pens.contains(colour))
                pens << colour;
            label.number = ++penLayers;
            label.pen = int(pens.indexOf(colour)) + 1;
            label.text = QStringLiteral("%1 pen %2 %3").arg(label.number).arg(label.pen).arg(colour);
        }
        const QString name = layer.curveName.simplified();
        if (severalCurves && !name.isEmpty())
            label.text += QLatin1Char(' ') + name;
    }
    return labels;
}
