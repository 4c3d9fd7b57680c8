#include "output/ChunkedText.h"

#include "output/SafeWrite.h"

#include <QIODevice>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

constexpr std::size_t kChunkBytes = std::size_t(1) << 20;
// Room for one point or one number beyond a chunk, so that a point is never split.
constexpr std::size_t kChunkSlack = 256;
// Coordinates, widths and opacities are written with three decimals: micrometres on paper.
constexpr double kThousandths = 1000;
constexpr int kDecimals = 3;
// Beyond 2^53 thousandths a double no longer holds every whole number.
constexpr double kLargestExactThousandths = 9007199254740992.0;

// Writes `value` with three decimals. As a whole number of thousandths, formatted as an integer:
// several times faster than formatting a double to a precision, and exact.
char* formatThreeDecimals(char* out, char* end, double value)
{
    const double thousandths = std::round(value * kThousandths);
    if (!(std::fabs(thousandths) < kLargestExactThousandths)) {
        // Far beyond any page: the shortest form, which always fits.
        const std::to_chars_result fixed = std::to_chars(out, end, value, std::chars_format::fixed, kDecimals);
        return fixed.ec == std::errc() ? fixed.ptr : std::to_chars(out, end, value).ptr;
    }
    auto whole = static_cast<int64_t>(thousandths);
    if (whole < 0) {
        *out++ = '-';
        whole = -whole;
    }
    const auto units = static_cast<int64_t>(kThousandths);
    out = std::to_chars(out, end, whole / units).ptr;
    *out++ = '.';
    const auto fraction = static_cast<int>(whole % units);
    out[0] = static_cast<char>('0' + fraction / 100);
    out[1] = static_cast<char>('0' + fraction / 10 % 10);
    out[2] = static_cast<char>('0' + fraction % 10);
    return out + kDecimals;
}

}

ChunkedText::ChunkedText(QIODevice& device, const std::atomic<bool>* cancelled)
    : m_device(device)
    , m_cancelled(cancelled)
{
    m_buffer.reserve(kChunkBytes + kChunkSlack);
}

void ChunkedText::append(std::string_view text)
{
    m_buffer.append(text);
    if (m_buffer.size() >= kChunkBytes)
        flush();
}

void ChunkedText::appendNumber(double value)
{
    char digits[kChunkSlack];
    append(std::string_view(digits, std::size_t(formatThreeDecimals(digits, digits + sizeof digits, value) - digits)));
}

void ChunkedText::appendPoint(char separator, double x, double y)
{
    char digits[kChunkSlack];
    char* end = digits + sizeof digits;
    char* out = digits;
    *out++ = separator;
    out = formatThreeDecimals(out, end, x);
    *out++ = ' ';
    out = formatThreeDecimals(out, end, y);
    append(std::string_view(digits, std::size_t(out - digits)));
}

bool ChunkedText::finish()
{
    flush();
    return isWriting();
}

void ChunkedText::flush()
{
    m_ok = m_ok && !cancelled() && writeAll(m_device, m_buffer.data(), qint64(m_buffer.size()));
    m_flushed += m_buffer.size();
    m_buffer.clear();
}

QByteArray lengthText(double millimetres)
{
    char digits[kChunkSlack];
    const double rounded = std::round(millimetres * kThousandths) / kThousandths;
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, rounded);
    return QByteArray(digits, qsizetype(result.ptr - digits));
}
