#include "output/FileNames.h"

namespace {

constexpr char16_t kFirstKeptByte = 0xDC80;   // keeps byte 0x80; 0xDCFF keeps 0xFF
constexpr char16_t kLastKeptByte = 0xDCFF;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point; 0
// when it is not one (cut short, overlong, a surrogate, beyond U+10FFFF).
qsizetype sequenceAt(QByteArrayView bytes, char32_t* codePoint)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    qsizetype length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80)
        return *codePoint = lead, 1;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, smallest = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, smallest = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, smallest = 0x10000;
    else
        return 0;
    if (bytes.size() < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if (!isContinuation(next))
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

}

QString fileNameFromSystem(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    while (!bytes.isEmpty()) {
        char32_t codePoint = 0;
        const qsizetype length = sequenceAt(bytes, &codePoint);
        if (length == 0) {
            name += QChar(char16_t(kFirstKeptByte + (static_cast<unsigned char>(bytes[0]) - 0x80)));
            bytes = bytes.sliced(1);
            continue;
        }
        name += QString::fromUcs4(&codePoint, 1);
        bytes = bytes.sliced(length);
    }
    return name;
}

QByteArray fileNameForSystem(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        const bool ends = i == name.size();
        const char16_t unit = ends ? 0 : name[i].unicode();
        const bool keptByte = !ends && unit >= kFirstKeptByte && unit <= kLastKeptByte
            && (i == 0 || !name[i - 1].isHighSurrogate());
        if (!ends && !keptByte)
            continue;
        bytes += QStringView(name).sliced(runStart, i - runStart).toUtf8();
        if (keptByte)
            bytes += char(0x80 + (unit - kFirstKeptByte));
        runStart = i + 1;
    }
    return bytes;
}

QStringList argumentsFromSystem(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fileNameFromSystem(QByteArrayView(argv[i]));
    return arguments;
}
