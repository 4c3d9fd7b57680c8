// How long opening a design takes from each kind of file, and from files made to stall a reader:
// a PNG that claims a chunk of 2 GiB, one with 100 MB of other data before its design, ones made
// of nothing but chunks, more than are looked through, and an SVG of 50 MB with its design in
// front; and a design code of a kilobyte that packs a million curves, and an SVG whose first
// element has 100,000 attributes, each with its peak memory.

#include "app/DesignFormat.h"
#include "bench/ProcessMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <zlib.h>

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;

QByteArray chunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(quint32(data.size()), bytes.data());
    const QByteArray typeAndData = type + data;
    QByteArray checksum(4, '\0');
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size()))),
                 checksum.data());
    return bytes + typeAndData + checksum;
}

QByteArray designChunk()
{
    return chunk("tEXt", QByteArray(kDesignTextKey.data(), kDesignTextKey.size()) + '\0' + designToJson(Design()));
}

QByteArray header()
{
    return QByteArray(kSignature, kSignatureSize) + chunk("IHDR", QByteArray::fromHex("00000010000000100806000000"));
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Each file is written once and read from the page cache after that: what is measured is the
// reading, not the disk.
QString file(const char* name, const std::function<void(QFile&)>& write)
{
    const QString path = folder().filePath(QString::fromLatin1(name));
    if (!QFile::exists(path)) {
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        write(out);
    }
    return path;
}

void open(benchmark::State& state, const QString& path, bool opens)
{
    for (auto _ : state) {
        const DesignReadResult read = loadDesignFile(path);
        if (read.design.has_value() != opens)
            state.SkipWithError(qPrintable(read.error));
    }
}

void claimOf2GiB(benchmark::State& state)
{
    const QString path = file("claim.png", [](QFile& out) {
        QByteArray bytes = header() + QByteArray::fromHex("80000000") + "IDAT";
        out.write(bytes + QByteArray(190 - bytes.size(), 'x'));
    });
    open(state, path, false);
}

void designBehind100MB(benchmark::State& state)
{
    constexpr int kOther = 100'000'000;
    const QString path = file("behind.png", [](QFile& out) {
        QByteArray length(4, '\0');
        qToBigEndian(quint32(kOther), length.data());
        out.write(header() + length + "IDAT");
        out.write(QByteArray(kOther + 4, 'x'));
        out.write(designChunk() + chunk("IEND", {}));
    });
    open(state, path, true);
}

// A file of nothing but chunks, as many as are looked through, each of the argument's size: the
// longest search there can be. Chunks of 16 KiB and a byte are each passed over by a seek; the
// file is sparse, for their data is never read.
void mostChunks(benchmark::State& state)
{
    constexpr int kChunks = 100'001;
    const qint64 dataSize = state.range(0);
    const QString path = file(qPrintable(QStringLiteral("chunks-%1.png").arg(dataSize)), [dataSize](QFile& out) {
        QByteArray header(4, '\0');
        qToBigEndian(quint32(dataSize), header.data());
        header += "teSt";
        out.write(QByteArray(kSignature, kSignatureSize));
        for (int i = 0; i < kChunks; ++i) {
            out.write(header);
            out.seek(out.pos() + dataSize + 4);
        }
        out.write(designChunk() + chunk("IEND", {}));
    });
    open(state, path, false);
}

void svgOf50MB(benchmark::State& state)
{
    constexpr int kPoints = 50'000'000 / 16;
    const QString path = file("large.svg", [](QFile& out) {
        out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\">\n"
                  "<metadata id=\"design\">" + designToJson(Design()) + "</metadata>\n<path d=\"M 0 0");
        out.write(QByteArray(" L 100.000 0.000").repeated(kPoints));
        out.write("\"/>\n</svg>\n");
    });
    open(state, path, true);
}

// A code of a kilobyte whose CBOR declares a million curves, each an empty map to fill with
// the default curve, deflated as codes are: refused, and how much memory that took at most.
void codeOfAMillionCurves(benchmark::State& state)
{
    const QByteArray cbor = "\xa1\x05\x9a\x00\x0f\x42\x40" + QByteArray(1'000'000, '\xa0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray packed(int(deflateBound(&stream, uLong(cbor.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(cbor.constData()));
    stream.avail_in = uInt(cbor.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = uInt(packed.size());
    deflate(&stream, Z_FINISH);
    packed.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    const QString path = file("bomb.rotagraph", [&packed](QFile& out) {
        out.write("rotagraph:" + ("z" + packed).toBase64(QByteArray::Base64UrlEncoding));
    });
    resetPeakMemory();
    open(state, path, false);
    state.counters["code_bytes"] = double(QFileInfo(path).size());
    state.counters["peak_MB"] = residentMegabytes("VmHWM:");
}

void svgOf100000Attributes(benchmark::State& state)
{
    const QString path = file("attributes.svg", [](QFile& out) {
        out.write("<svg");
        for (int i = 0; i < 100'000; ++i)
            out.write(" a" + QByteArray::number(i) + "=\"1\"");
        out.write("><metadata id=\"design\">" + designToJson(Design()) + "</metadata></svg>");
    });
    resetPeakMemory();
    open(state, path, false);
    state.counters["peak_MB"] = residentMegabytes("VmHWM:");
}

}

BENCHMARK(codeOfAMillionCurves)->Unit(benchmark::kMillisecond);
BENCHMARK(svgOf100000Attributes)->Unit(benchmark::kMillisecond);
BENCHMARK(claimOf2GiB)->Unit(benchmark::kMillisecond);
BENCHMARK(designBehind100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(mostChunks)->Arg(0)->Arg(16 << 10 | 1)->Unit(benchmark::kMillisecond);
BENCHMARK(svgOf50MB)->Unit(benchmark::kMillisecond);
