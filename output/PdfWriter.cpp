#include "output/PdfWriter.h"

#include "output/PlotPage.h"

#include <QDateTime>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr double kPointsPerMillimetre = 1 / kMillimetresPerPoint;
constexpr int kOpaque = 255;
// A line break after every so many points keeps the content readable by line-based tools.
constexpr int kPointsPerLine = 8;
// The content stream is object 1 and its length object 2; the rest follow in the order written.
constexpr int kContentObject = 1;
constexpr int kLengthObject = 2;

// Text as a PDF text string: UTF-16 with a byte order mark, in hexadecimal, which holds any
// character without escapes.
QByteArray textString(const QString& text)
{
    QByteArray utf16("\xFE\xFF");
    for (const QChar c : text) {
        const char16_t unit = qToBigEndian(c.unicode());
        utf16.append(reinterpret_cast<const char*>(&unit), sizeof unit);
    }
    return '<' + utf16.toHex() + '>';
}

// A document string as plainly as it fits: printable ASCII, which PDFDocEncoding shares and every
// tool reads, as a literal string; anything else in UTF-16.
QByteArray documentString(const QString& text)
{
    QByteArray literal("(");
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return textString(text);
        if (c == u'\\' || c == u'(' || c == u')')
            literal += '\\';
        literal += char(c.unicode());
    }
    return literal + ')';
}

// A number as exact as a double holds it: the page's scale and height, which every point goes
// through, must not round.
QByteArray exactNumber(double value)
{
    return QByteArray::number(value, 'g', std::numeric_limits<double>::max_digits10);
}

QByteArray reference(int object)
{
    return QByteArray::number(object) + " 0 R";
}

}

PdfWriter::PdfWriter(QIODevice& device, QSizeF pageMm, const std::atomic<bool>* cancelled)
    : m_out(device, cancelled)
    , m_pageMm(pageMm)
{
    // The binary comment tells transfer programs that the file is not text.
    m_out.append("%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
    beginObject();
    m_out.appendBytes("<< /Length " + reference(kLengthObject) + " >>\nstream\n");
    m_contentStart = m_out.size();
    m_offsets.push_back(0);   // the length, written after the stream
    // Millimetres from the top left corner, y down.
    m_out.appendBytes("q " + exactNumber(kPointsPerMillimetre) + " 0 0 " + exactNumber(-kPointsPerMillimetre) + " 0 "
                      + exactNumber(pageMm.height() * kPointsPerMillimetre) + " cm\n");
}

int PdfWriter::beginObject()
{
    m_offsets.push_back(m_out.size());
    const int object = int(m_offsets.size());
    m_out.appendBytes(QByteArray::number(object) + " 0 obj\n");
    return object;
}

void PdfWriter::beginLayer(const QString& name)
{
    m_layers.push_back(name);
    m_out.appendBytes("/OC /L" + QByteArray::number(m_layers.size()) + " BDC\n");
}

void PdfWriter::endLayer()
{
    m_out.append("EMC\n");
}

void PdfWriter::setAlpha(int alpha)
{
    if (alpha == kOpaque)
        return;
    if (std::find(m_alphas.begin(), m_alphas.end(), alpha) == m_alphas.end())
        m_alphas.push_back(alpha);
    m_out.appendBytes("/A" + QByteArray::number(alpha) + " gs\n");
}

void PdfWriter::appendColour(const QColor& colour, std::string_view operatorName)
{
    const QColor rgb = colour.toRgb();
    m_out.appendNumber(rgb.redF());
    m_out.append(" ");
    m_out.appendNumber(rgb.greenF());
    m_out.append(" ");
    m_out.appendNumber(rgb.blueF());
    m_out.append(" ");
    m_out.append(operatorName);
    m_out.append("\n");
}

void PdfWriter::appendPath(const QPolygonF& path, bool closed)
{
    for (qsizetype i = 0; i < path.size() && m_out.isWriting(); ++i) {
        m_out.appendPoint(i > 0 && i % kPointsPerLine == 0 ? '\n' : ' ', path[i].x(), path[i].y());
        m_out.append(i == 0 ? " m" : " l");
    }
    m_out.append(closed ? " h\n" : "\n");
}

void PdfWriter::strokePaths(const QList<QPolygonF>& paths, const QColor& colour, double widthMm)
{
    m_out.append("q\n");
    setAlpha(colour.alpha());
    appendColour(colour, "RG");
    m_out.appendNumber(widthMm);
    m_out.append(" w 1 J 1 j\n");   // round, as a plotter's pen
    for (const QPolygonF& path : paths)
        appendPath(path, false);
    m_out.append("S Q\n");
}

void PdfWriter::fillPaths(const QList<QPolygonF>& paths, const QColor& colour)
{
    m_out.append("q\n");
    setAlpha(colour.alpha());
    appendColour(colour, "rg");
    for (const QPolygonF& path : paths)
        appendPath(path, true);
    m_out.append("f Q\n");
}

bool PdfWriter::finish(const QString& title, const QString& creator)
{
    m_out.append("Q\n");
    const std::size_t length = m_out.size() - m_contentStart;
    m_out.append("endstream\nendobj\n");
    m_offsets[kLengthObject - 1] = m_out.size();
    m_out.appendBytes("2 0 obj\n" + QByteArray::number(qulonglong(length)) + "\nendobj\n");

    QByteArray layers, properties;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
        const int object = beginObject();
        m_out.appendBytes("<< /Type /OCG /Name " + textString(m_layers[i]) + " >>\nendobj\n");
        layers += ' ' + reference(object);
        properties += " /L" + QByteArray::number(qulonglong(i + 1)) + ' ' + reference(object);
    }
    // Every alpha sets both the stroke's and the fill's: a drawing sets the one it uses.
    QByteArray states;
    for (const int alpha : m_alphas) {
        const QByteArray name = "/A" + QByteArray::number(alpha);
        const QByteArray value = QByteArray::number(double(alpha) / kOpaque, 'g', 6);
        states += ' ' + name + " << /Type /ExtGState /CA " + value + " /ca " + value + " >>";
    }
    const int resources = beginObject();
    m_out.appendBytes("<< /ExtGState <<" + states + " >> /Properties <<" + properties + " >> >>\nendobj\n");
    const int page = int(m_offsets.size()) + 1;
    const int pages = page + 1;
    beginObject();
    m_out.appendBytes("<< /Type /Page /Parent " + reference(pages) + " /MediaBox [0 0 ");
    m_out.appendNumber(m_pageMm.width() * kPointsPerMillimetre);
    m_out.append(" ");
    m_out.appendNumber(m_pageMm.height() * kPointsPerMillimetre);
    m_out.appendBytes("] /Resources " + reference(resources) + " /Contents " + reference(kContentObject) + " >>\nendobj\n");
    beginObject();
    m_out.appendBytes("<< /Type /Pages /Kids [" + reference(page) + "] /Count 1 >>\nendobj\n");
    const int catalog = beginObject();
    const QByteArray optionalContent = m_layers.empty()
        ? QByteArray()
        : " /OCProperties << /OCGs [" + layers + " ] /D << /Order [" + layers + " ] /ON [" + layers + " ] >> >>";
    m_out.appendBytes("<< /Type /Catalog /Pages " + reference(pages) + optionalContent + " >>\nendobj\n");
    const int info = beginObject();
    const QByteArray now = "(D:" + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)";
    m_out.appendBytes("<< /Title " + documentString(title) + " /Creator " + documentString(creator) + " /Producer "
                      + documentString(creator) + " /CreationDate " + now + " /ModDate " + now + " >>\nendobj\n");

    const std::size_t crossReference = m_out.size();
    m_out.appendBytes("xref\n0 " + QByteArray::number(qulonglong(m_offsets.size() + 1)) + "\n0000000000 65535 f \n");
    for (const std::size_t offset : m_offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        m_out.append(entry);
    }
    m_out.appendBytes("trailer\n<< /Size " + QByteArray::number(qulonglong(m_offsets.size() + 1)) + " /Root "
                      + reference(catalog) + " /Info " + reference(info) + " >>\nstartxref\n"
                      + QByteArray::number(qulonglong(crossReference)) + "\n%%EOF\n");
    return m_out.finish();
}
