// Whatever the bytes, reading them gives a design or says why not, whether they are taken as a
// design's text or as a file of any kind (a design file, a PNG or an SVG that carries one); and
// a design that was read writes a file of this version that reads back as the same design,
// written the same way, whatever keys of a newer version it kept.

#include "app/DesignFormat.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkRead(const DesignReadResult& read)
{
    if (read.design.has_value() == !read.error.isEmpty() || read.newerVersion == read.note.isEmpty())
        std::abort();
    if (!read.design)
        return;
    const QByteArray written = designToJson(*read.design);
    const DesignReadResult reread = readDesign(written);
    if (!reread.design || *reread.design != *read.design || reread.newerVersion
        || designToJson(*reread.design) != written)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRead(readDesign(bytes));
    QByteArray copy = bytes;
    QBuffer file(&copy);
    file.open(QIODevice::ReadOnly);
    checkRead(readDesignFrom(file));
    return 0;
}
