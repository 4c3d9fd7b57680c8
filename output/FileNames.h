#pragma once

// File names as the system gives them: bytes, which are UTF-8 text mostly but need not be. Qt
// turns a byte that is no UTF-8 into a replacement character, which names another file, or none.
// Here each such byte is kept in the QString as a code unit of its own, U+DC80 to U+DCFF (a lone
// low surrogate, which no UTF-8 text decodes to), and given back as that byte: so a name read
// from the command line, shown and joined with others, still reaches its own file. A path that
// may hold such a byte goes to the system only through fileNameForSystem.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

QString fileNameFromSystem(QByteArrayView bytes);
QByteArray fileNameForSystem(const QString& name);

// The program's arguments, each taken as fileNameFromSystem takes a name.
QStringList argumentsFromSystem(int argc, const char* const* argv);
