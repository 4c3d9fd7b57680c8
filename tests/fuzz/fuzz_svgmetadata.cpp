// Whatever the XML, the metadata reader finds the design's text or says why not, within its
// limits on size, depth and attributes, and reads no further than the design.

#include "app/DesignFormat.h"
#include "app/ExportedDesignText.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const ExportedText found = designTextOfSvg(file);
    if (found.text.isEmpty() == found.error.isEmpty() || found.text.size() > kMaximumDesignFileSize)
        std::abort();
    return 0;
}
