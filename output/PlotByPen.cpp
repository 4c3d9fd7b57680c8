#include "output/PlotByPen.h"

#include <algorithm>

bool plotByPen(const Composition& design, const PlotOptions& options, const OutputControl& control,
               const std::function<bool(PenGroup&)>& take)
{
    std::vector<PenGroup> unplotted, pens;
    const bool plotted = plotDrawing(design, options, control, [&](PlottedLayer& layer) {
        if (plotterSkips(layer.layer.kind)) {
            unplotted.push_back({layer.layer, {}});
            unplotted.back().parts.push_back(std::move(layer));
            return true;
        }
        // A pen has one colour, whatever the ink's opacity, as the layers' labels number them.
        const QRgb colour = layer.layer.colour.rgb();
        auto pen = layer.layer.kind != LayerKind::Pen ? pens.end() : std::find_if(pens.begin(), pens.end(), [&](const PenGroup& group) {
            return group.layer.kind == LayerKind::Pen && group.layer.colour.rgb() == colour;
        });
        if (pen == pens.end()) {
            PlotLayer gathered = layer.layer;
            if (gathered.kind == LayerKind::Pen)
                gathered.curveName.clear();
            pen = pens.insert(pens.end(), {gathered, {}});
        }
        pen->parts.push_back(std::move(layer));
        return true;
    });
    if (!plotted)
        return false;
    for (std::vector<PenGroup>* groups : {&unplotted, &pens})
        for (PenGroup& group : *groups)
            if (!take(group))
                return false;
    return true;
}
