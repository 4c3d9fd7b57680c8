#pragma once

// A design as a short text to paste into a chat: "rotagraph:" and the design file's JSON, its
// values that the default design has left out, its keys numbered, in CBOR, packed when that is
// shorter, Base64url-encoded. Reading a code gives the design file's JSON back, which is then read
// and checked as a file is.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// What every design code begins with.
inline constexpr char kDesignCodePrefix[] = "rotagraph:";

// The code of a design file's JSON, `defaultJson` being the default design's file.
QString designCode(const QByteArray& designJson, const QByteArray& defaultJson);

// Whether `text` is meant as a design code: it begins with the prefix, white space aside.
bool isDesignCode(QByteArrayView text);

// The design file's JSON a code stands for; empty, with `error` set, when the code is damaged or
// cut short.
std::optional<QByteArray> designJsonOfCode(QByteArrayView code, const QByteArray& defaultJson, QString* error);
