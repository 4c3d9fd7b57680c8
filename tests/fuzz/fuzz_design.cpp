// Whatever the bytes, reading them gives a design or says why not, and a design that was read
// writes a file that reads back as the same design, written the same way.

#include "app/DesignFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const DesignReadResult read = readDesign(bytes);
    if (read.design.has_value() == !read.error.isEmpty())
        std::abort();
    if (!read.design)
        return 0;
    const QByteArray written = designToJson(*read.design);
    const DesignReadResult reread = readDesign(written);
    if (!reread.design || *reread.design != *read.design || designToJson(*reread.design) != written)
        std::abort();
    return 0;
}
