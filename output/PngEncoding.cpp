#include "output/PngEncoding.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QImage>
#include <QThread>
#include <QtEndian>

#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr quint32 kLongestChunk = 0x7fffffff;   // PNG's own bound on a chunk's length
constexpr qsizetype kLongestKeyword = 79;
constexpr double kMetresPerInch = 0.0254;
constexpr quint8 kBitDepth = 8;
constexpr quint8 kColourTypeRgb = 2;
constexpr quint8 kColourTypeRgba = 6;
constexpr quint8 kPerceptualIntent = 0;   // what sRGB images are made for
constexpr quint8 kUnitMetre = 1;
enum Filter : uchar { None = 0, Sub = 1, Up = 2 };
// The stream's header for deflate with a 32 KiB window at its fastest level, which is what
// run-length deflate is; its check bits make it a multiple of 31.
constexpr std::array<char, 2> kZlibHeader = {0x78, 0x01};
// A stripe this large keeps every thread busy while its end costs the stream a few bytes.
constexpr qsizetype kStripeBytes = 4 << 20;
// Where the stream is cut into chunks: readers take any length, and a chunk is checked whole.
constexpr qsizetype kIdatBytes = 1 << 20;
// Each stripe's deflated bytes start from this and grow by doubling.
constexpr qsizetype kFirstOutputBytes = 64 << 10;
// Text at least this long is offered packed; shorter text packs to no gain.
constexpr qsizetype kShortestPackedText = 128;

QString tr(const char* text)
{
    return QCoreApplication::translate("PngEncoding", text);
}

// 2^32 / a, rounded up: for any n below 2^16, (n * it) >> 32 is n / a exactly, without dividing.
constexpr std::array<quint64, 256> kReciprocals = [] {
    std::array<quint64, 256> reciprocals{};
    for (quint64 a = 1; a < 256; ++a)
        reciprocals[a] = ((quint64(1) << 32) + a - 1) / a;
    return reciprocals;
}();

// The colour channel that `alpha` times it, rounded, gives `premultiplied`: the nearest, so that
// multiplying it again gives back the very byte the image held.
inline uchar unpremultiplied(uint premultiplied, uint alpha)
{
    const quint64 exact = ((premultiplied * 255 + alpha / 2) * kReciprocals[alpha]) >> 32;
    return uchar(std::min<quint64>(exact, 255));   // a channel above its alpha is no valid pixel
}

// How an image's rows become PNG's.
struct Layout {
    int bytesPerPixel = 4;
    qsizetype rowBytes = 0;   // without the filter byte
    uLong emptyRowAdler = 0;  // the checksum of a row of zeros with its filter byte, on its own
};

// One row as PNG's bytes, RGBA or RGB; false when every one of them is zero. The image is in
// one of the three formats that `encodePngImage` brings every image to.
bool takeRow(const QImage& image, int y, uchar* out)
{
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const int width = image.width();
    QRgb any = 0;
    switch (image.format()) {
    case QImage::Format_ARGB32_Premultiplied:
        for (int x = 0; x < width; ++x, out += 4) {
            const QRgb pixel = pixels[x];
            const uint alpha = qAlpha(pixel);
            if (alpha == 0) {   // whatever colour it claims, it shows none
                std::fill_n(out, 4, 0);
                continue;
            }
            any = 1;
            if (alpha == 255) {
                out[0] = uchar(qRed(pixel));
                out[1] = uchar(qGreen(pixel));
                out[2] = uchar(qBlue(pixel));
            } else {
                out[0] = unpremultiplied(qRed(pixel), alpha);
                out[1] = unpremultiplied(qGreen(pixel), alpha);
                out[2] = unpremultiplied(qBlue(pixel), alpha);
            }
            out[3] = uchar(alpha);
        }
        break;
    case QImage::Format_ARGB32:
        for (int x = 0; x < width; ++x, out += 4) {
            const QRgb pixel = pixels[x];
            any |= pixel;
            out[0] = uchar(qRed(pixel));
            out[1] = uchar(qGreen(pixel));
            out[2] = uchar(qBlue(pixel));
            out[3] = uchar(qAlpha(pixel));
        }
        break;
    default:   // RGB32, whose first byte is padding
        for (int x = 0; x < width; ++x, out += 3) {
            const QRgb pixel = pixels[x];
            any |= pixel & RGB_MASK;
            out[0] = uchar(qRed(pixel));
            out[1] = uchar(qGreen(pixel));
            out[2] = uchar(qBlue(pixel));
        }
        break;
    }
    return any != 0;
}

#if defined(__SSE2__)
// Sixteen bytes of both filters at a time from `at`, for as many whole sixteens as the row has
// left; zeros are counted in bytes, each of which takes 255 before they are summed. Returns
// where the row's rest begins.
qsizetype filterSixteens(const uchar* __restrict row, const uchar* __restrict above, qsizetype at, qsizetype bytes,
                         int left, uchar* __restrict sub, uchar* __restrict up, qsizetype* subZeros, qsizetype* upZeros)
{
    constexpr int kMostPerCount = 255;
    const __m128i zero = _mm_setzero_si128();
    __m128i subSum = zero;
    __m128i upSum = zero;
    const auto load = [](const uchar* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); };
    const auto store = [](uchar* to, __m128i bytes16) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes16); };
    while (at + 16 <= bytes) {
        __m128i subCount = zero;   // each byte minus one for each zero, as a comparison's true is -1
        __m128i upCount = zero;
        for (int n = 0; n < kMostPerCount && at + 16 <= bytes; ++n, at += 16) {
            const __m128i here = load(row + at);
            const __m128i subbed = _mm_sub_epi8(here, load(row + at - left));
            const __m128i upped = _mm_sub_epi8(here, load(above + at));
            store(sub + at, subbed);
            store(up + at, upped);
            subCount = _mm_sub_epi8(subCount, _mm_cmpeq_epi8(subbed, zero));
            upCount = _mm_sub_epi8(upCount, _mm_cmpeq_epi8(upped, zero));
        }
        subSum = _mm_add_epi64(subSum, _mm_sad_epu8(subCount, zero));
        upSum = _mm_add_epi64(upSum, _mm_sad_epu8(upCount, zero));
    }
    const auto total = [](__m128i halves) {
        return qsizetype(_mm_cvtsi128_si64(halves) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(halves, halves)));
    };
    *subZeros = total(subSum);
    *upZeros = total(upSum);
    return at;
}
#endif

// The Sub and the Up filter of one row side by side, each after its filter byte; what each
// leaves that is not zero is counted as it goes, which is the cost that decides between them.
void filterRow(const uchar* __restrict row, const uchar* __restrict above, const Layout& layout,
               uchar* __restrict sub, uchar* __restrict up, qsizetype* subCost, qsizetype* upCost)
{
    const qsizetype bytes = layout.rowBytes;
    const int left = layout.bytesPerPixel;
    *sub++ = Sub;
    *up++ = Up;
    qsizetype subs = 0;
    qsizetype ups = 0;
    qsizetype at = 0;
    for (; at < left; ++at) {   // nothing on the first pixel's left
        sub[at] = row[at];
        up[at] = uchar(row[at] - above[at]);
        subs += sub[at] != 0;
        ups += up[at] != 0;
    }
#if defined(__SSE2__)
    qsizetype subZeros = 0;
    qsizetype upZeros = 0;
    const qsizetype rest = filterSixteens(row, above, at, bytes, left, sub, up, &subZeros, &upZeros);
    subs += rest - at - subZeros;
    ups += rest - at - upZeros;
    at = rest;
#endif
    for (; at < bytes; ++at) {
        sub[at] = uchar(row[at] - row[at - left]);
        up[at] = uchar(row[at] - above[at]);
        subs += sub[at] != 0;
        ups += up[at] != 0;
    }
    *subCost = subs;
    *upCost = ups;
}

// One stripe's rows, deflated on their own, and their checksum.
struct Stripe {
    QByteArray deflated;
    uLong adler = 1;       // of nothing yet
    qsizetype bytes = 0;   // what the checksum was taken over
    bool failed = false;
};

// Deflates what `stream` holds to be read, growing `out` as it fills; false on a fault of zlib's.
bool deflateInto(z_stream& stream, QByteArray& out, int flush)
{
    for (;;) {
        if (qsizetype(stream.total_out) == out.size())
            out.resize(std::max(out.size() * 2, kFirstOutputBytes));
        const qsizetype room = std::min<qsizetype>(out.size() - qsizetype(stream.total_out),
                                                   std::numeric_limits<uInt>::max());
        stream.next_out = reinterpret_cast<Bytef*>(out.data()) + stream.total_out;
        stream.avail_out = uInt(room);
        const int status = deflate(&stream, flush);
        if (status == Z_STREAM_ERROR)
            return false;
        if (flush == Z_FINISH ? status == Z_STREAM_END : stream.avail_out != 0)
            return true;
    }
}

// Deflates rows [first, end) as raw deflate that a later stripe may follow: it ends on a byte
// boundary with no block marked last, unless it is the last stripe. It refers to nothing
// before it, so that stripes may be made in any order and joined as they come.
Stripe encodeStripe(const QImage& image, const Layout& layout, int first, int end, bool last)
{
    Stripe stripe;
    z_stream stream{};
    // Run-length deflate looks back one byte only: as fast as deflate goes, and after the
    // filters it packs these images better than the default level does.
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_RLE) != Z_OK) {
        stripe.failed = true;
        return stripe;
    }
    try {
        const qsizetype bytes = layout.rowBytes;
        // Each row after a filter byte of None, so that a row of zeros goes to deflate as it is.
        std::vector<uchar> rows(std::size_t(2 * (bytes + 1)), None);
        uchar* above = rows.data();   // zeros above the first row, as PNG has it
        uchar* row = rows.data() + bytes + 1;
        std::vector<uchar> filtered(std::size_t(2 * (bytes + 1)));
        uchar* sub = filtered.data();
        uchar* up = filtered.data() + bytes + 1;
        if (first > 0)
            takeRow(image, first - 1, above + 1);
        for (int y = first; y < end && !stripe.failed; ++y) {
            const uchar* chosen = row;
            if (takeRow(image, y, row + 1)) {
                qsizetype subCost = 0;
                qsizetype upCost = 0;
                filterRow(row + 1, above + 1, layout, sub, up, &subCost, &upCost);
                chosen = subCost <= upCost ? sub : up;
                stripe.adler = adler32_z(stripe.adler, chosen, z_size_t(bytes + 1));
            } else {
                stripe.adler = adler32_combine(stripe.adler, layout.emptyRowAdler, z_off_t(bytes + 1));
            }
            stream.next_in = const_cast<Bytef*>(chosen);
            stream.avail_in = uInt(bytes + 1);
            stripe.failed = !deflateInto(stream, stripe.deflated, Z_NO_FLUSH);
            stripe.bytes += bytes + 1;
            std::swap(above, row);
        }
        stripe.failed = stripe.failed || !deflateInto(stream, stripe.deflated, last ? Z_FINISH : Z_SYNC_FLUSH);
        stripe.deflated.truncate(qsizetype(stream.total_out));
    } catch (const std::bad_alloc&) {
        stripe.failed = true;
    }
    deflateEnd(&stream);
    return stripe;
}

// Deflates the stripes of rows on up to `threads` threads at once, each taking the next stripe
// that none has taken. Stripes come back in the image's order.
std::vector<Stripe> encodeStripes(const QImage& image, const Layout& layout, int stripeRows, int threads)
{
    const int rows = image.height();
    const int count = (rows + stripeRows - 1) / stripeRows;
    std::vector<Stripe> stripes(static_cast<std::size_t>(count));
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int index = next++; index < count; index = next++) {
            const int first = index * stripeRows;
            stripes[std::size_t(index)] = encodeStripe(image, layout, first, std::min(rows, first + stripeRows),
                                                       index == count - 1);
        }
    };
    std::vector<std::thread> helpers;
    for (int helper = 1; helper < std::min(threads, count); ++helper) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;   // no more threads to be had: the ones there are take the stripes
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return stripes;
}

void appendBigEndian(QByteArray& bytes, quint32 value)
{
    const quint32 big = qToBigEndian(value);
    bytes.append(reinterpret_cast<const char*>(&big), sizeof big);
}

void appendChunk(QByteArray& file, const char (&type)[5], QByteArrayView data)
{
    appendBigEndian(file, quint32(data.size()));
    const qsizetype checkedFrom = file.size();
    file.append(type, 4);
    file.append(data);
    const auto* checked = reinterpret_cast<const Bytef*>(file.constData() + checkedFrom);
    appendBigEndian(file, quint32(crc32_z(0, checked, z_size_t(file.size() - checkedFrom))));
}

// A keyword as PNG allows it: 1 to 79 printable Latin-1 characters, with no space at either end
// and never two in a row.
bool isKeyword(const QString& key)
{
    if (key.isEmpty() || key.size() > kLongestKeyword || key.startsWith(u' ') || key.endsWith(u' ')
        || key.contains(QLatin1String("  ")))
        return false;
    return std::all_of(key.begin(), key.end(), [](QChar c) {
        const char16_t code = c.unicode();
        return (code >= 0x20 && code <= 0x7e) || (code >= 0xa1 && code <= 0xff);
    });
}

// An international text chunk's data: UTF-8, packed where that makes it smaller.
QByteArray textChunkData(const QString& key, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray packed;
    if (utf8.size() >= kShortestPackedText) {
        uLongf size = compressBound(uLong(utf8.size()));
        packed.resize(qsizetype(size));
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(utf8.constData()),
                      uLong(utf8.size()), Z_BEST_COMPRESSION) == Z_OK && qsizetype(size) < utf8.size())
            packed.truncate(qsizetype(size));
        else
            packed.clear();
    }
    QByteArray data = key.toLatin1();
    const bool isPacked = !packed.isEmpty();
    // After the keyword: whether it is packed, the method (zlib's deflate), and an empty
    // language and translated keyword.
    data.append('\0').append(char(isPacked)).append('\0').append('\0').append('\0');
    data.append(isPacked ? packed : utf8);
    return data;
}

QByteArray headerChunkData(const QImage& image, bool alpha)
{
    QByteArray data;
    appendBigEndian(data, quint32(image.width()));
    appendBigEndian(data, quint32(image.height()));
    // The bit depth, the colour type, and compression, filtering and interlacing each by the
    // one method PNG has.
    data.append(char(kBitDepth)).append(char(alpha ? kColourTypeRgba : kColourTypeRgb));
    data.append('\0').append('\0').append('\0');
    return data;
}

QByteArray densityChunkData(quint32 pixelsPerMetre)
{
    QByteArray data;
    appendBigEndian(data, pixelsPerMetre);
    appendBigEndian(data, pixelsPerMetre);
    data.append(char(kUnitMetre));
    return data;
}

// The image in one of the formats whose rows `takeRow` reads, in sRGB; null when there is no
// memory for a converted copy.
QImage inReadableFormat(const QImage& image)
{
    QImage readable = image;
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        readable = readable.convertedToColorSpace(QColorSpace::SRgb);
    switch (readable.format()) {
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
        return readable;
    default:
        return readable.convertToFormat(readable.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

}

QByteArray encodePngImage(const QImage& image, const PngEncodingOptions& options, QString* error)
{
    if (image.isNull()) {
        *error = tr("There is no image to encode.");
        return {};
    }
    const double pixelsPerMetre = std::round(options.dotsPerInch / kMetresPerInch);
    if (!(pixelsPerMetre >= 1 && pixelsPerMetre <= kLongestChunk)) {   // also when it is not a number
        *error = tr("%1 pixels to the inch is no pixel density a PNG can hold.").arg(options.dotsPerInch);
        return {};
    }
    const QStringList keys = image.textKeys();
    for (const QString& key : keys) {
        if (!isKeyword(key)) {
            *error = tr("“%1” cannot name a text in a PNG: a name has 1 to 79 printable Latin-1 characters, "
                        "with no space at either end and never two in a row.").arg(key);
            return {};
        }
    }
    const QImage readable = inReadableFormat(image);
    if (readable.isNull()) {
        *error = tr("There is not enough memory to encode the image.");
        return {};
    }

    const bool alpha = readable.format() != QImage::Format_RGB32;
    Layout layout;
    layout.bytesPerPixel = alpha ? 4 : 3;
    layout.rowBytes = qsizetype(readable.width()) * layout.bytesPerPixel;
    const int stripeRows = options.stripeRows > 0
        ? options.stripeRows
        : int(std::clamp<qsizetype>(kStripeBytes / layout.rowBytes, 1, readable.height()));
    const int threads = options.threads > 0 ? options.threads : std::max(1, QThread::idealThreadCount());

    QByteArray file;
    try {
        layout.emptyRowAdler = adler32_z(1, std::vector<uchar>(std::size_t(layout.rowBytes + 1), 0).data(),
                                         z_size_t(layout.rowBytes + 1));
        const std::vector<Stripe> stripes = encodeStripes(readable, layout, stripeRows, threads);
        QByteArray stream(kZlibHeader.data(), qsizetype(kZlibHeader.size()));
        uLong adler = 1;
        for (const Stripe& stripe : stripes) {
            if (stripe.failed) {
                *error = tr("There is not enough memory to encode the image.");
                return {};
            }
            stream.append(stripe.deflated);
            adler = adler32_combine(adler, stripe.adler, z_off_t(stripe.bytes));
        }
        appendBigEndian(stream, quint32(adler));

        file.append(kSignature, sizeof kSignature - 1);
        appendChunk(file, "IHDR", headerChunkData(readable, alpha));
        appendChunk(file, "sRGB", QByteArray(1, char(kPerceptualIntent)));
        appendChunk(file, "pHYs", densityChunkData(quint32(pixelsPerMetre)));
        // Before the pixels, so that a reader after the text alone finds it at once.
        for (const QString& key : keys) {
            const QByteArray data = textChunkData(key, image.text(key));
            if (data.size() > qsizetype(kLongestChunk)) {
                *error = tr("The text “%1” is too long for a PNG.").arg(key);
                return {};
            }
            appendChunk(file, "iTXt", data);
        }
        for (qsizetype at = 0; at < stream.size(); at += kIdatBytes)
            appendChunk(file, "IDAT", QByteArrayView(stream).sliced(at, std::min(kIdatBytes, stream.size() - at)));
        appendChunk(file, "IEND", {});
    } catch (const std::bad_alloc&) {
        *error = tr("There is not enough memory to encode the image.");
        return {};
    }
    return file;
}
