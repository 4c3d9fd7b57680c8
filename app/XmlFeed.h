#pragma once

// An XML file handed to a QXmlStreamReader a piece at a time, each piece looked through before
// the reader sees it, so that a file made to cost the reader dearly is refused before it does:
// an element with thousands of attributes (the reader checks each against every other), a tag or
// a run of text of many megabytes (the reader holds it whole). Only as much of the file is read
// as the reader is asked for. UTF-16, with or without its byte-order mark, is read as UTF-16;
// any other file is handed over as its bytes, for the reader to decode as it declares. White
// space before the first tag is passed over, after a byte-order mark too.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>

#include <optional>

class QIODevice;
class QXmlStreamReader;

// Whether a file beginning with `start` is XML: its first character, past any byte-order mark
// and white space, opens a tag, in UTF-8 or UTF-16.
bool looksLikeXml(QByteArrayView start);

class XmlFeed
{
public:
    // Beyond these an element or a piece of text is no drawing's.
    static constexpr int kMostAttributes = 1000;
    static constexpr qsizetype kLongestRun = 16 << 20;   // bytes of one tag, or of text between two

    enum class Fault { None, Unreadable, TooManyAttributes, TooLong };

    explicit XmlFeed(QIODevice& device);

    // Hands `xml` the next piece: false when the file has ended, or at a fault.
    bool feed(QXmlStreamReader& xml);
    Fault fault() const { return m_fault; }

private:
    QByteArray nextPiece();
    void look(QByteArrayView bytes);
    void lookAt(char c);

    enum class State { Text, Open, Bang, Comment, CData, Instruction, EndTag, StartTag, Declaration };

    QIODevice& m_device;
    bool m_started = false;
    std::optional<QStringDecoder> m_utf16;   // none: the bytes go as they are
    Fault m_fault = Fault::None;

    State m_state = State::Text;
    State m_resume = State::Text;   // where a comment or an instruction in a declaration returns
    char m_quote = 0;               // the quote a value is in; 0 outside
    // What follows "<!" until it tells a comment, CDATA or a declaration; in a declaration, its
    // last few characters.
    QByteArray m_tail;
    int m_repeats = 0;              // of the character that, repeated, comes before an end
    int m_attributes = 0;
    int m_brackets = 0;             // of a declaration's internal subset
    qsizetype m_run = 0;
};
