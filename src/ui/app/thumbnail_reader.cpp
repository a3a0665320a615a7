#include "ui/app/thumbnail_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cstring>
#include <vector>

namespace {

std::uint32_t U32(const uchar* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// Box-averages a bottom-up BGR(A) BMP into `size`; null when the file is not one this
// fast path takes (then the caller falls back to QImageReader).
QImage ReduceBmp(const QString& path, const QSize& size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 length = file.size();
    uchar* data = file.map(0, length);
    if (!data || length < 54 || data[0] != 'B' || data[1] != 'M')
        return {};
    const std::uint32_t offset = U32(data + 10);
    const std::uint32_t headerSize = U32(data + 14);
    const qint64 width = static_cast<std::int32_t>(U32(data + 18));
    const qint64 height = static_cast<std::int32_t>(U32(data + 22));
    const int bits = data[28] | (data[29] << 8);
    const std::uint32_t compression = U32(data + 30);
    if (headerSize < 40 || compression != 0 || (bits != 24 && bits != 32) || width <= 0 || height <= 0)
        return {};
    const int w = size.width();
    const int h = size.height();
    if (width < w || height < h)
        return {}; // not a reduction: read as it is below
    if ((width / w + 1) * (height / h + 1) > 16'000'000)
        return {}; // the 32-bit sums of one output pixel must not overflow
    const qint64 bytesPerPixel = bits / 8;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    if (qint64(offset) + stride * height > length)
        return {};

    QImage out(size, QImage::Format_RGB32);
    // Rows of a band are summed byte by byte first (a loop the compiler vectorises),
    // then the columns of each output pixel.
    const std::size_t rowBytes = static_cast<std::size_t>(width * bytesPerPixel);
    std::vector<std::uint32_t> acc(rowBytes);
    for (int y = 0; y < h; ++y) {
        const qint64 top = qint64(y) * height / h;
        const qint64 bottom = qint64(y + 1) * height / h;
        std::fill(acc.begin(), acc.end(), 0u);
        for (qint64 sy = top; sy < bottom; ++sy) {
            // Rows are stored bottom row first.
            const uchar* row = data + offset + (height - 1 - sy) * stride;
            std::uint32_t* a = acc.data();
            std::size_t i = 0;
            for (; i + 4 <= rowBytes; i += 4) {
                a[i] += row[i];
                a[i + 1] += row[i + 1];
                a[i + 2] += row[i + 2];
                a[i + 3] += row[i + 3];
            }
            for (; i < rowBytes; ++i)
                a[i] += row[i];
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const qint64 rows = bottom - top;
        for (int x = 0; x < w; ++x) {
            const qint64 left = qint64(x) * width / w;
            const qint64 right = qint64(x + 1) * width / w;
            std::uint32_t b = 0, g = 0, r = 0;
            for (qint64 sx = left; sx < right; ++sx) {
                const std::uint32_t* p = acc.data() + sx * bytesPerPixel;
                b += p[0];
                g += p[1];
                r += p[2];
            }
            const auto n = static_cast<std::uint32_t>(rows * (right - left));
            line[x] = qRgb(int(r / n), int(g / n), int(b / n));
        }
    }
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
