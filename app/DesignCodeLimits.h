#pragma once

// What a design code's CBOR may hold, checked as it is read and before anything is made of it.
// A design has at most 64 curves, a few dozen values each, short texts, and lists nested a few
// levels deep; a code that claims more (a list of a million curves, declared or open-ended, a
// text of gigabytes, lists within lists) is refused at the first value beyond, having cost no
// more than reading that far. The CBOR is one value: a byte after it is damage.

#include <QByteArrayView>
#include <QString>

// Why `cbor` cannot be a design code's, in a user's words; empty when it can.
QString whyCodeIsRefused(QByteArrayView cbor);
