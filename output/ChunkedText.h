#pragma once

// Text written to a device a megabyte at a time, as the vector writers make it: few writes, and
// the document never whole in memory. Numbers are written with three decimals, which on paper
// in millimetres is the micrometre. After a failed write, or once the work is cancelled, the
// rest is dropped and `finish` says so.

#include <QByteArray>
#include <QPointF>

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

class QIODevice;

class ChunkedText
{
public:
    ChunkedText(QIODevice& device, const std::atomic<bool>* cancelled);

    // False once a write has failed or the work is cancelled.
    bool isWriting() const { return m_ok && !cancelled(); }
    // The bytes appended so far, written or waiting to be.
    std::size_t size() const { return m_flushed + m_buffer.size(); }

    void append(std::string_view text);
    void appendBytes(const QByteArray& text) { append(std::string_view(text.constData(), std::size_t(text.size()))); }
    // A number with three decimals.
    void appendNumber(double value);
    // A point as `separator`, x, a space and y, each with three decimals.
    void appendPoint(char separator, double x, double y);

    // Writes what is left; true when every write went through and nothing was cancelled.
    bool finish();

private:
    bool cancelled() const { return m_cancelled && m_cancelled->load(std::memory_order_relaxed); }
    void flush();

    QIODevice& m_device;
    const std::atomic<bool>* m_cancelled;
    std::string m_buffer;
    std::size_t m_flushed = 0;
    bool m_ok = true;
};

// A length as a document's header gives it: to the micrometre, and no longer than it needs to
// be ("220", "200.5", "0.353").
QByteArray lengthText(double millimetres);
