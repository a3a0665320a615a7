#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reads a picture straight into a small size (a smaller picture is read as it is).
// Uncompressed 24- and 32-bit BMP files (what the image batch writes) are averaged down
// in one pass over the file's rows, without holding the full picture; SVG drawings are
// drawn at that size; other files (PNG among them) go through QImageReader.
// A null image when the file cannot be read.
QImage ReadThumbnail(const QString& file, const QSize& size);

// Reads a whole picture at its own size; an SVG drawing is drawn at the size it names.
// A null image when the file cannot be read.
QImage ReadPicture(const QString& file);

// Whether the file is an SVG drawing, by its name.
bool IsSvgFile(const QString& file);
