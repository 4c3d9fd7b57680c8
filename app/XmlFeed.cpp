#include "app/XmlFeed.h"

#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

constexpr qint64 kPieceSize = 64 << 10;
constexpr char kUtf8Mark[] = "\xef\xbb\xbf";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// UTF-16 by its mark, or by the zero beside the first character that is none.
std::optional<QStringDecoder::Encoding> utf16Of(QByteArrayView start)
{
    if (start.startsWith("\xff\xfe"))
        return QStringDecoder::Utf16LE;
    if (start.startsWith("\xfe\xff"))
        return QStringDecoder::Utf16BE;
    if (start.size() >= 2 && start[0] != 0 && start[1] == 0)
        return QStringDecoder::Utf16LE;
    if (start.size() >= 2 && start[0] == 0 && start[1] != 0)
        return QStringDecoder::Utf16BE;
    return std::nullopt;
}

}

bool looksLikeXml(QByteArrayView start)
{
    if (const std::optional<QStringDecoder::Encoding> utf16 = utf16Of(start)) {
        QStringDecoder decoder(*utf16);
        const QString text = decoder(start);
        return text.trimmed().startsWith(u'<');
    }
    if (start.startsWith(kUtf8Mark))
        start = start.sliced(sizeof kUtf8Mark - 1);
    return start.trimmed().startsWith('<');
}

XmlFeed::XmlFeed(QIODevice& device)
    : m_device(device)
{
}

QByteArray XmlFeed::nextPiece()
{
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    const qint64 got = m_device.read(piece.data(), kPieceSize);
    if (got < 0)
        m_fault = Fault::Unreadable;
    piece.truncate(std::max<qint64>(got, 0));
    return piece;
}

bool XmlFeed::feed(QXmlStreamReader& xml)
{
    if (m_fault != Fault::None)
        return false;
    QByteArray piece = nextPiece();
    if (!m_started && !piece.isEmpty()) {
        m_started = true;
        if (const std::optional<QStringDecoder::Encoding> utf16 = utf16Of(piece)) {
            m_utf16.emplace(*utf16);
        } else {
            if (piece.startsWith(kUtf8Mark))
                piece.remove(0, sizeof kUtf8Mark - 1);
            qsizetype blanks = 0;
            while (blanks < piece.size() && isBlank(piece[blanks]))
                ++blanks;
            piece.remove(0, blanks);
        }
    }
    if (piece.isEmpty())
        return false;
    if (m_utf16) {
        QString text = (*m_utf16)(piece);
        if (m_run == 0 && m_state == State::Text && xml.characterOffset() == 0) {
            qsizetype blanks = 0;
            while (blanks < text.size() && (text[blanks].isSpace() || text[blanks] == QChar::ByteOrderMark))
                ++blanks;
            text.remove(0, blanks);
        }
        look(text.toUtf8());
        if (m_fault == Fault::None)
            xml.addData(text);   // as text: the declared encoding is no longer the bytes'
    } else {
        look(piece);
        if (m_fault == Fault::None)
            xml.addData(piece);
    }
    return m_fault == Fault::None;
}

void XmlFeed::look(QByteArrayView bytes)
{
    for (const char c : bytes) {
        lookAt(c);
        if (m_fault != Fault::None)
            return;
    }
}

// Follows the markup far enough to know where each start tag's attributes are: comments,
// CDATA, processing instructions and declarations hold text that only looks like them.
void XmlFeed::lookAt(char c)
{
    if (++m_run > kLongestRun) {
        m_fault = Fault::TooLong;
        return;
    }
    const auto enter = [this](State state) {
        m_state = state;
        m_run = 0;
        m_repeats = 0;
        m_quote = 0;
        m_tail.clear();
    };
    // A comment or an instruction in a declaration is part of it, and of its length.
    const auto resume = [this, &enter] {
        if (m_resume != State::Declaration)
            return enter(m_resume);
        m_state = State::Declaration;
        m_repeats = 0;
        m_tail.clear();
    };
    // "-->", "]]>" and "?>" end what they end after any number of the first character.
    const auto endsAfter = [this, c](char repeated, int times) {
        if (c == '>' && m_repeats >= times)
            return true;
        m_repeats = c == repeated ? m_repeats + 1 : 0;
        return false;
    };
    switch (m_state) {
    case State::Text:
        if (c == '<')
            enter(State::Open);
        break;
    case State::Open:
        if (c == '!') {
            m_state = State::Bang;
        } else if (c == '?') {
            m_resume = State::Text;
            enter(State::Instruction);
        } else if (c == '/') {
            m_state = State::EndTag;
        } else {
            m_attributes = 0;
            enter(State::StartTag);
            lookAt(c);
        }
        break;
    case State::Bang:
        m_tail += c;
        if (m_tail == "--") {
            m_resume = State::Text;
            enter(State::Comment);
        } else if (m_tail == "[CDATA[") {
            enter(State::CData);
        } else if (!QByteArrayView("--").startsWith(m_tail) && !QByteArrayView("[CDATA[").startsWith(m_tail)) {
            const QByteArray seen = m_tail;
            m_brackets = 0;
            enter(State::Declaration);
            for (const char d : seen)
                lookAt(d);
        }
        break;
    case State::Comment:
        if (endsAfter('-', 2))
            resume();
        break;
    case State::CData:
        if (endsAfter(']', 2))
            enter(State::Text);
        break;
    case State::Instruction:
        if (endsAfter('?', 1))
            resume();
        break;
    case State::EndTag:
        if (c == '>')
            enter(State::Text);
        break;
    case State::StartTag:
        if (m_quote != 0) {
            if (c == m_quote)
                m_quote = 0;
        } else if (c == '"' || c == '\'') {
            m_quote = c;
        } else if (c == '=') {
            if (++m_attributes > kMostAttributes)
                m_fault = Fault::TooManyAttributes;
        } else if (c == '>') {
            enter(State::Text);
        }
        break;
    case State::Declaration:
        // A document type's internal subset: declarations, comments and instructions of its own.
        if (m_quote != 0) {
            if (c == m_quote)
                m_quote = 0;
            break;
        }
        m_tail = (m_tail + c).right(4);
        if (c == '"' || c == '\'') {
            m_quote = c;
        } else if (c == '[') {
            ++m_brackets;
        } else if (c == ']') {
            --m_brackets;
        } else if (m_tail == "<!--") {
            m_resume = State::Declaration;
            m_state = State::Comment;
            m_repeats = 0;
        } else if (m_tail.endsWith("<?")) {
            m_resume = State::Declaration;
            m_state = State::Instruction;
            m_repeats = 0;
        } else if (c == '>' && m_brackets <= 0) {
            enter(State::Text);
        }
        break;
    }
}
