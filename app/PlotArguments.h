#pragma once

// The options of `rotagraph --export` that the export dialogs show: the paper, its margin, the
// drawing's size, the pen, the simplification, the fill and its hatching, and the PNG's density
// and enlargement. Each is one row of a table, read into the values the dialogs fill
// (PlotOptions, PngExportSettings), so that the shell and the window share their meanings and
// their defaults; a value that the dialog would refuse is refused naming its option.

#include <QCommandLineParser>
#include <QString>

struct PictureOptions;

// Adds every option of the table to what --help tells.
void describePlotArguments(QCommandLineParser& parser);

// Reads every option of the table that `parser` found into `options`. Why a value is refused,
// naming its option, or an empty string when none is.
QString readPlotArguments(const QCommandLineParser& parser, PictureOptions& options);
