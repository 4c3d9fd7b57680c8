#pragma once

// Encoding an image as PNG fast enough for the largest export, and, for the pictures exports
// draw, no larger than a general encoder makes it at zlib's default level. The pixels come out
// of premultiplied alpha in one pass; a row of nothing but zero bytes (a wholly transparent one)
// is stored as it is, any other with whichever of the Sub and Up filters leaves fewer bytes that
// are not zero, which run-length deflate packs best; stripes of rows are deflated on several
// threads at once, each as an independent piece of the one zlib stream that the file holds.
// Besides the pixels, the file says that they are sRGB, how many there are to the inch, and
// carries the image's texts.

#include <QByteArray>
#include <QString>

class QImage;

// What a pixel density is when no one chose one: the usual one for print.
constexpr double kDefaultPngDotsPerInch = 300;

struct PngEncodingOptions {
    double dotsPerInch = kDefaultPngDotsPerInch;   // positive; written as pixels per metre
    int threads = 0;      // how many stripes are deflated at once; 0: as many as the processors
    int stripeRows = 0;   // rows in each stripe; 0: as many as make a few mebibytes of pixels
};

// The image as a PNG file: 8 bits a channel, RGBA where the image has an alpha channel (not
// premultiplied, as PNG's alpha never is) and RGB where it has none; deeper formats are brought
// down to 8 bits, and an image of another colour space is converted to sRGB. Each of the
// image's texts (QImage::setText) goes into an international text chunk, packed where that makes
// it smaller. Empty on failure, with the reason in `error`.
QByteArray encodePngImage(const QImage& image, const PngEncodingOptions& options, QString* error);
