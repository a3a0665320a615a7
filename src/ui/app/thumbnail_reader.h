#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reads a picture straight into a small size (a smaller picture is read as it is). Uncompressed 24- and 32-bit BMP files
// (what the image batch writes) are averaged down in one pass over the file's rows,
// without holding the full picture; other files go through QImageReader.
// A null image when the file cannot be read.
QImage ReadThumbnail(const QString& file, const QSize& size);
