#pragma once

// What `rotagraph --export` or `--thumbnail` is asked for, read from its arguments alone: the
// files, where their pictures go, and how they are drawn. Nothing is read or written here.

#include "output/PlotOptions.h"
#include "output/PngExport.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

enum class PictureFormat { Png, Svg, Pdf };

// What every picture of one run shares; what is not given is as the window's export dialogs
// start, never as they were last left.
struct PictureOptions {
    std::optional<PictureFormat> format;   // none: from each output's extension
    std::optional<int> edge;               // none: the size the window's export suggests
    bool enlarge = PngExportSettings().enlarge;
    double dotsPerInch = PngExportSettings().dotsPerInch;
    bool thumbnail = false;                // drawn within a thumbnail's bounds
    PlotOptions plot;                      // of an SVG or PDF
    bool penWidthGiven = false;            // else each design's own pen width, on paper
};

struct PictureRequest {
    QStringList files;
    QString output;   // a file, or a folder for several
    PictureOptions options;
};

// Adds --export, --thumbnail and their options to what --help tells.
void describeExportOptions(QCommandLineParser& options);

// The request that `arguments` make, read by `parser`; none when they make none, with the
// reason in `refusal`.
std::optional<PictureRequest> readPictureRequest(QCommandLineParser& parser, const QStringList& arguments,
                                                 QString* refusal);

// The format a picture is written in: the one asked for, else the output's extension's, else PNG.
PictureFormat formatOf(const PictureOptions& options, const QString& output);
// The format an extension names, in any case; none for one the program does not write.
std::optional<PictureFormat> formatNamed(const QString& extension);
// The extension of pictures in a format.
QString extensionOf(PictureFormat format);
