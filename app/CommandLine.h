#pragma once

// What the program is told when it starts: --help, --version, and the design files to open.

#include <QCommandLineParser>
#include <QStringList>

// The options the program takes, described for --help.
void describeOptions(QCommandLineParser& options);

// Answers --help and --version, which need no window, before any window's application is made:
// prints the answer and leaves the program. Returns when neither was asked for.
void answerWithoutAWindow(int argc, char* argv[]);
