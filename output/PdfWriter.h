#pragma once

// A one-page PDF of stroked and filled polylines, written as it is drawn, each group of paths in
// a layer of its own (an optional content group) that a reader can show or hide. The page is any
// size, in millimetres to the micrometre. Qt's PDF writer makes pages of whole points and has no
// layers, and so is kept for the printed page; a plot needs only straight lines, fills and
// colours, which this small writer puts down exactly.

#include "output/ChunkedText.h"

#include <QColor>
#include <QList>
#include <QPolygonF>
#include <QSizeF>
#include <QString>

#include <atomic>
#include <cstddef>
#include <string_view>
#include <vector>

class QIODevice;

class PdfWriter
{
public:
    // Begins the document on `device`: a page `pageMm` wide and high, drawn in millimetres from
    // its top left corner, y down. `cancelled` (may be null) stops the writing.
    PdfWriter(QIODevice& device, QSizeF pageMm, const std::atomic<bool>* cancelled = nullptr);

    // What is drawn from now until endLayer belongs to a layer called `name`, shown at first.
    void beginLayer(const QString& name);
    void endLayer();

    // Each path a line `widthMm` wide, with round ends and joins.
    void strokePaths(const QList<QPolygonF>& paths, const QColor& colour, double widthMm);
    // The paths closed and filled together by the non-zero rule.
    void fillPaths(const QList<QPolygonF>& paths, const QColor& colour);

    bool isWriting() const { return m_out.isWriting(); }
    // Writes the rest of the document with its title and creator; true when every byte was written.
    bool finish(const QString& title, const QString& creator);

private:
    // Sets a translucent colour's alpha for the stroke and the fill alike.
    void setAlpha(int alpha);
    void appendColour(const QColor& colour, std::string_view operatorName);
    void appendPath(const QPolygonF& path, bool closed);
    int beginObject();

    ChunkedText m_out;
    QSizeF m_pageMm;
    std::size_t m_contentStart = 0;
    std::vector<std::size_t> m_offsets;   // where each object begins, object n at n - 1
    std::vector<QString> m_layers;
    std::vector<int> m_alphas;            // of the graphics states, /A<alpha> each
};
