// Whatever the arguments (split at each zero byte), the command line reads a request for
// pictures or says why not, and a request it reads is one it can carry out: files and an output,
// a size within the range, plotting options that an export takes.

#include "app/CommandLine.h"
#include "app/PictureRequest.h"
#include "output/FileNames.h"
#include "output/PngExport.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QStringList arguments{QStringLiteral("rotagraph")};
    for (const QByteArray& argument : QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        arguments << fileNameFromSystem(argument);
    QCommandLineParser parser;
    describeOptions(parser);
    QString refusal;
    const std::optional<PictureRequest> request = readPictureRequest(parser, arguments, &refusal);
    if (request.has_value() == !refusal.isEmpty())
        std::abort();
    if (request
        && (request->files.isEmpty() || request->output.isEmpty()
            || (request->options.edge && (*request->options.edge < kMinimumImageEdge || *request->options.edge > kMaximumImageEdge))
            || !optionRefusals(request->options.plot).empty()
            || fileNameForSystem(fileNameFromSystem(fileNameForSystem(request->output))) != fileNameForSystem(request->output)))
        std::abort();
    return 0;
}
