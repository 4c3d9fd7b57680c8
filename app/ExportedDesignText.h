#pragma once

// The design's text as an export carries it (output/DesignText.h): in a PNG, a text chunk under
// the design's key, plain or packed; in an SVG, the text of its metadata "design". Found from the
// file's structure alone, never a pixel or a path: a PNG's chunks are walked by their headers,
// every chunk that holds no text is passed over unread, and the walk stops at the design's
// chunk, before or after the pixels, wherever a tool moved it; an SVG is read as far as its
// design's metadata. A length that the file cannot hold is refused before anything is read, and
// text is never unpacked beyond the largest design.

#include <QByteArray>
#include <QString>

class QIODevice;

// The design's text, UTF-8, or what keeps it from being read.
struct ExportedText {
    QByteArray text;
    QString error;     // what is wrong, in a user's words; empty when the text was found
    QString details;   // where, and what exactly, for a report; may be empty
};

// `device` is open at its start.
ExportedText designTextOfPng(QIODevice& device);
ExportedText designTextOfSvg(QIODevice& device);
