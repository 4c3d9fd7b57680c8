#pragma once

// Pictures made from the shell, without a window: `rotagraph --export OUTPUT FILE…` draws each
// design file, or design PNG or SVG, as the window's exports draw it, and `--thumbnail` makes the
// small square picture a file manager shows. The same drawing, options and safe write as the
// window's; what fails is told on standard error as the window would word it.

#include "app/PictureRequest.h"

#include <QCommandLineParser>

// Exit statuses, as shell tools have them.
constexpr int kExitSucceeded = 0;
constexpr int kExitFailed = 1;        // a file could not be read or written
constexpr int kExitBadArguments = 2;

// Whether the arguments, read by `options`, ask for pictures without a window: then the
// offscreen platform is chosen before any application is made, so that no display is needed.
bool asksForPicturesOnly(const QCommandLineParser& options);

// Makes the pictures that `arguments` ask for, read by `options`; returns the exit status.
int makePictures(QCommandLineParser& options, const QStringList& arguments);
