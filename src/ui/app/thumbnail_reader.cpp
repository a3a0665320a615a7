#include "ui/app/thumbnail_reader.h"

#include "core/render/bmp_reduce.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdint>
#include <optional>

namespace {

// Box-averages a bottom-up BGR(A) BMP into `size`; null when the file is not one this
// fast path takes (then the caller falls back to QImageReader).
QImage ReduceBmp(const QString& path, const QSize& size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 length = file.size();
    const uchar* data = file.map(0, length);
    const std::optional<lirovane::BmpLayout> bmp =
        lirovane::ReadBmpLayout(data, length > 0 ? static_cast<std::uint64_t>(length) : 0);
    if (!bmp)
        return {};
    QImage out(size, QImage::Format_RGB32);
    // A picture smaller than the thumbnail is read as it is below.
    if (!lirovane::ReduceBmp(data, *bmp, size.width(), size.height(), reinterpret_cast<std::uint32_t*>(out.bits()),
                             static_cast<std::size_t>(out.bytesPerLine()) / sizeof(QRgb)))
        return {};
    return out;
}

// Draws an SVG file on white at `size`, or at the size it names when `size` is empty.
QImage RenderSvg(const QString& path, QSize size)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    if (size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

bool IsSvgFile(const QString& file)
{
    return QFileInfo(file).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

QImage ReadPicture(const QString& file)
{
    if (IsSvgFile(file))
        return RenderSvg(file, QSize());
    return QImageReader(file).read();
}

QImage ReadThumbnail(const QString& file, const QSize& size)
{
    if (IsSvgFile(file))
        return RenderSvg(file, size);
    QImage image = ReduceBmp(file, size);
    if (!image.isNull())
        return image;
    QImageReader reader(file);
    image = reader.read();
    // A picture no larger than the thumbnail stays as it is; the page scales it when drawn.
    if (image.isNull() || (image.width() <= size.width() && image.height() <= size.height()))
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
