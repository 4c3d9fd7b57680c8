#include "app/ExportedDesignText.h"

#include "app/DesignFormat.h"
#include "app/XmlFeed.h"
#include "output/DesignText.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <optional>

namespace {

constexpr qint64 kSignatureSize = 8;
constexpr qint64 kChunkHeaderSize = 8;   // the length, then the type
constexpr qint64 kChecksumSize = 4;
constexpr quint32 kLongestChunk = 0x7fffffff;   // PNG's own bound on a chunk's length
constexpr qsizetype kLongestKeyword = 79;
// The most a chunk holding a design may take: its text at the limit, packed or not (packing
// never grows text by more than a few bytes in a thousand), and room for what an iTXt chunk
// adds before it. Only a chunk within it is read whole, to check it and take its text.
constexpr qint64 kLargestDesignChunk = 2 * kMaximumDesignFileSize;
// Chunks close together are read a window at a time; a longer one is passed over by seeking.
constexpr qint64 kWindowSize = 4 << 10;
// However many chunks a file holds, the search ends after these: passing over one costs little,
// but a file made of nothing else could hold a hundred million. An export of the largest size
// has thousands at most.
constexpr int kMostChunks = 100'000;

class Reader
{
    Q_DECLARE_TR_FUNCTIONS(ExportedDesignText)

public:
    static ExportedText fault(const QString& error, const QString& details = {}) { return {{}, error, details}; }
    static ExportedText tooLarge(bool packed);
    static ExportedText unreadable(const QIODevice& device);
};

ExportedText Reader::tooLarge(bool packed)
{
    const qint64 mebibytes = kMaximumDesignFileSize >> 20;
    return fault(packed ? tr("Its design text is larger than %1 MiB when unpacked.").arg(mebibytes)
                        : tr("Its design text is larger than %1 MiB.").arg(mebibytes));
}

ExportedText Reader::unreadable(const QIODevice& device)
{
    return fault(tr("It could not be read (%1).").arg(device.errorString()));
}

// One text chunk's fields; `wellFormed` is false when the bytes end before a field does.
struct TextChunk {
    QByteArray keyword;
    QByteArray text;
    bool packed = false;
    bool utf8 = false;        // iTXt: UTF-8 by definition; tEXt and zTXt: Latin-1
    bool wellFormed = false;
};

// Splits off the bytes up to the next zero, and the zero; false when there is none.
bool takeField(QByteArrayView& data, QByteArrayView* field)
{
    const qsizetype end = data.indexOf('\0');
    if (end < 0)
        return false;
    if (field)
        *field = data.first(end);
    data = data.sliced(end + 1);
    return true;
}

bool takeByte(QByteArrayView& data, char* byte)
{
    if (data.isEmpty())
        return false;
    *byte = data.front();
    data = data.sliced(1);
    return true;
}

TextChunk parseTextChunk(QByteArrayView type, QByteArrayView data)
{
    TextChunk chunk;
    QByteArrayView keyword;
    if (!takeField(data, &keyword))
        return chunk;
    chunk.keyword = keyword.toByteArray();
    char method = 0;   // zlib's deflate is the only method PNG knows
    if (type == "zTXt") {
        chunk.packed = true;
        if (!takeByte(data, &method) || method != 0)
            return chunk;
    } else if (type == "iTXt") {
        chunk.utf8 = true;
        char flag = 0;
        if (!takeByte(data, &flag) || !takeByte(data, &method) || !takeField(data, nullptr) || !takeField(data, nullptr))
            return chunk;   // the language and the translated keyword are not used
        chunk.packed = flag != 0;
        if (chunk.packed && method != 0)
            return chunk;
    }
    chunk.text = data.toByteArray();
    chunk.wellFormed = true;
    return chunk;
}

enum class Unpacked { Whole, TooLarge, Damaged };

// Unpacks zlib data into at most `limit` bytes, never allocating more than one byte beyond.
Unpacked unpack(const QByteArray& packed, qint64 limit, QByteArray& text, QString& why)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        why = QString::fromLatin1(stream.msg ? stream.msg : "zlib could not start");
        return Unpacked::Damaged;
    }
    text.resize(limit + 1);   // text that fills this is too large
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(text.data());
    stream.avail_out = uInt(text.size());
    const int status = inflate(&stream, Z_FINISH);
    const auto produced = qint64(stream.total_out);
    const bool full = stream.avail_out == 0;
    why = QString::fromLatin1(stream.msg ? stream.msg : "the packed text ends too early");
    inflateEnd(&stream);
    if (produced > limit || (status != Z_STREAM_END && full))
        return Unpacked::TooLarge;
    if (status != Z_STREAM_END)
        return Unpacked::Damaged;
    text.truncate(produced);
    return Unpacked::Whole;
}

// JSON is UTF-8, and tools write it so into a Latin-1 chunk too: only bytes that are no UTF-8
// are taken as Latin-1.
QByteArray asUtf8(const TextChunk& chunk)
{
    if (chunk.utf8)
        return chunk.text;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(chunk.text);
    return utf8.hasError() ? QString::fromLatin1(chunk.text).toUtf8() : chunk.text;
}

bool isTextChunk(QByteArrayView type)
{
    return type == "tEXt" || type == "zTXt" || type == "iTXt";
}

quint32 checksum(QByteArrayView type, QByteArrayView data)
{
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), uInt(type.size()));
    return quint32(crc32(crc, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

// The device seen through a window of bytes: what `fill` made readable is at `data`, until the
// next `fill` or `skip`.
class ByteWindow
{
public:
    explicit ByteWindow(QIODevice& device) : m_device(device), m_start(device.pos()) {}

    qint64 pos() const { return m_start + m_at; }
    const char* data() const { return m_bytes.constData() + m_at; }
    // Makes the next `count` bytes readable: fewer where the device ends, -1 when a read fails.
    qint64 fill(qint64 count);
    bool skip(qint64 count);

private:
    QIODevice& m_device;
    QByteArray m_bytes;
    qint64 m_start;        // where on the device the window's first byte is
    qsizetype m_at = 0;    // the position in the window
};

qint64 ByteWindow::fill(qint64 count)
{
    const qint64 available = m_bytes.size() - m_at;
    if (available >= count)
        return count;
    m_bytes.remove(0, m_at);
    m_start += m_at;
    m_at = 0;
    const qint64 wanted = std::max(count, kWindowSize) - available;
    m_bytes.resize(available + wanted);
    const qint64 got = m_device.read(m_bytes.data() + available, wanted);
    m_bytes.truncate(available + std::max<qint64>(got, 0));
    return got < 0 ? -1 : std::min<qint64>(count, m_bytes.size());
}

bool ByteWindow::skip(qint64 count)
{
    if (count <= m_bytes.size() - m_at) {
        m_at += qsizetype(count);
        return true;
    }
    m_start = pos() + count;
    m_bytes.clear();
    m_at = 0;
    return m_device.seek(m_start);
}

class PngReader : public Reader
{
public:
    explicit PngReader(QIODevice& device) : m_device(device), m_window(device), m_size(device.size()) {}
    ExportedText read();

private:
    std::optional<ExportedText> readTextChunk(QByteArrayView type, quint32 length);
    ExportedText designText(QByteArrayView type, const TextChunk& chunk) const;
    QString where(QByteArrayView type) const;
    ExportedText noDesign() const;

    QIODevice& m_device;
    ByteWindow m_window;
    qint64 m_size;   // asked once: for a file, each asking is a call to the system
    qint64 m_chunkStart = 0;
    bool m_damagedText = false;   // a text chunk that failed its checksum, whose keyword cannot be trusted
};

ExportedText PngReader::read()
{
    if (m_window.fill(kSignatureSize) != kSignatureSize)
        return fault(tr("This image is cut short."));
    m_window.skip(kSignatureSize);
    for (int chunks = 0;; ++chunks) {
        if (chunks == kMostChunks)
            return fault(tr("This image has too many chunks (over %L1) to look through for a design.").arg(kMostChunks));
        m_chunkStart = m_window.pos();
        const qint64 got = m_window.fill(kChunkHeaderSize);
        if (got < 0)
            return unreadable(m_device);
        if (got < kChunkHeaderSize)
            return m_damagedText ? noDesign()
                                 : fault(tr("This image is cut short."),
                                         tr("It ends at byte %1, before its end chunk.").arg(m_chunkStart + got));
        const quint32 length = qFromBigEndian<quint32>(m_window.data());
        char typeBytes[4];
        std::copy_n(m_window.data() + 4, 4, typeBytes);
        const QByteArrayView type(typeBytes, 4);
        m_window.skip(kChunkHeaderSize);
        if (length > kLongestChunk)
            return fault(tr("This image is damaged: a chunk in it claims a length that no PNG may have."),
                         tr("%1 claims %2 bytes; a PNG chunk holds at most %3.")
                             .arg(where(type), QString::number(length), QString::number(kLongestChunk)));
        const qint64 left = m_size - m_window.pos() - kChecksumSize;
        if (length > left)
            return fault(tr("This image is cut short."),
                         tr("%1 claims %2 bytes; %3 are left in the file.")
                             .arg(where(type), QString::number(length), QString::number(std::max<qint64>(left, 0))));
        if (type == "IEND")
            return noDesign();
        if (isTextChunk(type)) {
            if (std::optional<ExportedText> text = readTextChunk(type, length))
                return *text;
        } else if (!m_window.skip(length + kChecksumSize)) {
            return unreadable(m_device);
        }
    }
}

// A chunk's type as a message shows it: its letters, or its bytes when it has other characters.
QString PngReader::where(QByteArrayView type) const
{
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const bool letters = std::all_of(type.begin(), type.end(), isLetter);
    const QString name = letters ? QString::fromLatin1(type) : QString::fromLatin1(type.toByteArray().toHex(' '));
    return tr("The “%1” chunk at byte %2").arg(name, QString::number(m_chunkStart));
}

// The design's text or a fault; nothing for a chunk that holds another text, when the device is
// past it.
std::optional<ExportedText> PngReader::readTextChunk(QByteArrayView type, quint32 length)
{
    if (length > kLargestDesignChunk) {
        // Too long to be a design's: its checksum is left unchecked, for nothing of it is used,
        // and only its keyword tells whether it was meant as one.
        const qint64 got = m_window.fill(kLongestKeyword + 1);
        if (QByteArrayView(m_window.data(), std::max<qint64>(got, 0))
                .startsWith(QByteArray(kDesignTextKey.data(), kDesignTextKey.size()) + '\0'))
            return tooLarge(type != "tEXt");
        if (!m_window.skip(length + kChecksumSize))
            return unreadable(m_device);
        return std::nullopt;
    }
    if (m_window.fill(length + kChecksumSize) != length + kChecksumSize)
        return unreadable(m_device);
    const QByteArray data(m_window.data(), length + kChecksumSize);
    m_window.skip(length + kChecksumSize);
    const QByteArrayView body = QByteArrayView(data).first(length);
    const quint32 stored = qFromBigEndian<quint32>(data.constData() + length);
    const quint32 computed = checksum(type, body);
    const TextChunk chunk = parseTextChunk(type, body);
    if (chunk.keyword != QByteArrayView(kDesignTextKey.data(), kDesignTextKey.size())) {
        m_damagedText = m_damagedText || stored != computed;
        return std::nullopt;
    }
    if (stored != computed)
        return fault(tr("Its design text is damaged (checksum mismatch)."),
                     tr("%1 is stored with checksum %2, but its bytes give %3.")
                         .arg(where(type), QString::number(stored, 16), QString::number(computed, 16)));
    if (!chunk.wellFormed)
        return fault(tr("Its design text is damaged (its chunk is malformed)."),
                     tr("%1 ends before its fields do, or names an unknown packing.").arg(where(type)));
    return designText(type, chunk);
}

ExportedText PngReader::designText(QByteArrayView type, const TextChunk& chunk) const
{
    TextChunk unpacked = chunk;
    if (!chunk.packed && chunk.text.size() > kMaximumDesignFileSize)
        return tooLarge(false);
    QString why;
    if (chunk.packed) {
        switch (unpack(chunk.text, kMaximumDesignFileSize, unpacked.text, why)) {
        case Unpacked::TooLarge:
            return tooLarge(true);
        case Unpacked::Damaged:
            return fault(tr("Its design text is damaged (it cannot be unpacked)."), tr("%1: %2.").arg(where(type), why));
        case Unpacked::Whole:
            break;
        }
    }
    // The design's chunk, with nothing in it: the search ends here all the same.
    if (unpacked.text.trimmed().isEmpty())
        return fault(tr("Its design text is empty."));
    return {asUtf8(unpacked), {}, {}};
}

ExportedText PngReader::noDesign() const
{
    if (m_damagedText)
        return fault(tr("A text chunk in it is damaged (checksum mismatch), and no other holds a design."));
    return fault(tr("This image holds no Rotagraph design."));
}

// Elements nested deeper than this are no drawing's.
constexpr int kDeepest = 256;

class SvgReader : public Reader
{
public:
    explicit SvgReader(QIODevice& device) : m_feed(device) {}
    ExportedText read();

private:
    QXmlStreamReader::TokenType next();
    ExportedText metadataText();
    ExportedText fault() const;

    XmlFeed m_feed;
    QXmlStreamReader m_xml;
    int m_depth = 0;
    bool m_tooDeep = false;
};

// The next token, the file read as far as it needs; Invalid at a fault of the XML, or of the
// file where the feed refused it.
QXmlStreamReader::TokenType SvgReader::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::Invalid && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError
            && m_feed.feed(m_xml))
            continue;
        if (token == QXmlStreamReader::StartElement && ++m_depth > kDeepest) {
            m_tooDeep = true;
            return QXmlStreamReader::Invalid;
        }
        if (token == QXmlStreamReader::EndElement)
            --m_depth;
        return token;
    }
}

ExportedText SvgReader::fault() const
{
    switch (m_feed.fault()) {
    case XmlFeed::Fault::TooManyAttributes:
        return Reader::fault(tr("This drawing has an element with more attributes (over %1) than any drawing has.")
                                 .arg(XmlFeed::kMostAttributes));
    case XmlFeed::Fault::TooLong:
        return Reader::fault(tr("This drawing has a tag or a text longer (over %1 MiB) than any drawing has.")
                                 .arg(XmlFeed::kLongestRun >> 20));
    case XmlFeed::Fault::Unreadable:
        return Reader::fault(tr("It could not be read."));
    case XmlFeed::Fault::None:
        break;
    }
    if (m_tooDeep)
        return Reader::fault(tr("This drawing nests its elements deeper (over %1) than any drawing does.").arg(kDeepest));
    return Reader::fault(tr("This drawing is damaged: its XML is malformed."),
                         tr("%1, at line %2, column %3.")
                             .arg(m_xml.errorString(), QString::number(m_xml.lineNumber()),
                                  QString::number(m_xml.columnNumber())));
}

ExportedText SvgReader::read()
{
    QXmlStreamReader::TokenType token = QXmlStreamReader::NoToken;
    while ((token = next()) != QXmlStreamReader::StartElement)
        if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument)
            return fault();   // XML without an element is malformed
    if (m_xml.name() != QLatin1String("svg"))
        return Reader::fault(tr("It is XML, but neither a design file nor an SVG drawing."),
                             tr("Its first element is “%1”.").arg(m_xml.name()));
    // The writer puts the design first; a tool may have moved it anywhere.
    while ((token = next()) != QXmlStreamReader::Invalid && token != QXmlStreamReader::EndDocument) {
        if (token == QXmlStreamReader::StartElement && m_xml.name() == QLatin1String("metadata")
            && m_xml.attributes().value(QLatin1String("id")) == QLatin1String("design"))
            return metadataText();
    }
    if (token == QXmlStreamReader::Invalid)
        return fault();
    return Reader::fault(tr("This drawing holds no Rotagraph design."));
}

// The text of the metadata and of whatever a tool wrapped it in, up to the end of the metadata.
ExportedText SvgReader::metadataText()
{
    QByteArray text;
    for (const int depth = m_depth; m_depth >= depth;) {
        switch (next()) {
        case QXmlStreamReader::Characters:
            text += m_xml.text().toUtf8();
            if (text.size() > kMaximumDesignFileSize)
                return tooLarge(false);
            break;
        case QXmlStreamReader::EntityReference:
            // Declared only outside the file: what it stands for is not known, and the design's
            // text would lose it unseen.
            return Reader::fault(tr("Its design text holds “&%1;”, which the drawing does not say the meaning of.")
                                     .arg(m_xml.name()));
        case QXmlStreamReader::Invalid:
            return fault();
        default:
            break;
        }
    }
    if (text.trimmed().isEmpty())
        return Reader::fault(tr("Its design text is empty."));
    return {text, {}, {}};
}

}

ExportedText designTextOfPng(QIODevice& device)
{
    return PngReader(device).read();
}

ExportedText designTextOfSvg(QIODevice& device)
{
    return SvgReader(device).read();
}
