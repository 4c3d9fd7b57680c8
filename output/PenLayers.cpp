#include "output/PenLayers.h"

#include <algorithm>

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
    if (layer.kind == LayerKind::Background)
        return {0, 0, QStringLiteral("% background ") + colour};
    if (layer.kind == LayerKind::Fill) {
        label.text = QStringLiteral("% fill ") + colour;
    } else if (layer.kind == LayerKind::Gradient) {
        label.number = ++m_penLayers;
        label.text = QStringLiteral("%1 gradient").arg(label.number);
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
