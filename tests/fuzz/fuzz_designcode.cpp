// Whatever CBOR a design code carries, plain or packed, reading the code gives a design file's
// JSON or says why not; what the limits let through, Qt's own CBOR reader reads whole, and JSON
// that comes out is read as a design file is, within the limits of one.

#include "app/DesignCode.h"
#include "app/DesignCodeLimits.h"
#include "app/DesignFormat.h"

#include <QCborValue>

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Deflated without a header, as a code packs its CBOR.
QByteArray packed(const QByteArray& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        std::abort();
    QByteArray out(int(deflateBound(&stream, uLong(bytes.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        std::abort();
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

void checkCode(const QByteArray& code)
{
    static const QByteArray defaults = designToJson(Design());
    QString error;
    const std::optional<QByteArray> json = designJsonOfCode(code, defaults, &error);
    if (json.has_value() == !error.isEmpty())
        std::abort();
    if (!json)
        return;
    const DesignReadResult read = readDesign(*json);
    if (read.design.has_value() == !read.error.isEmpty())
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray cbor(reinterpret_cast<const char*>(data), qsizetype(size));
    if (whyCodeIsRefused(cbor).isEmpty()) {
        QCborParserError error;
        const QCborValue value = QCborValue::fromCbor(cbor, &error);
        if (error.error != QCborError::NoError || !value.isMap())
            std::abort();
    }
    const auto code = [](char kind, const QByteArray& bytes) {
        return "rotagraph:" + (kind + bytes).toBase64(QByteArray::Base64UrlEncoding);
    };
    checkCode(code('p', cbor));
    checkCode(code('z', packed(cbor)));
    return 0;
}
