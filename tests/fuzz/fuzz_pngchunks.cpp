// Whatever chunks follow a PNG's signature, the walk finds the design's text or says why not,
// and never unpacks text beyond the largest design.

#include "app/DesignFormat.h"
#include "app/ExportedDesignText.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArrayLiteral("\x89PNG\r\n\x1a\n") + QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const ExportedText found = designTextOfPng(file);
    if (found.text.isEmpty() == found.error.isEmpty() || found.text.size() > kMaximumDesignFileSize)
        std::abort();
    return 0;
}
