#include "ui/app/thumbnail_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cstring>
#include <optional>
#include <vector>

namespace {

std::uint32_t U32(const uchar* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// Where the pixels of an uncompressed bottom-up BGR(A) BMP lie.
struct BmpLayout {
    qint64 offset = 0;
    qint64 width = 0;
    qint64 height = 0;
    qint64 bytesPerPixel = 0;
    qint64 stride = 0;
};

// The layout of a mapped BMP file of `length` bytes; nothing when it is not one the
// fast path takes (24 or 32 bits a pixel, no compression, every row in the file).
std::optional<BmpLayout> ReadBmpHeader(const uchar* data, qint64 length)
{
    if (!data || length < 54 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const std::uint32_t headerSize = U32(data + 14);
    const int bits = data[28] | (data[29] << 8);
    const std::uint32_t compression = U32(data + 30);
    BmpLayout layout;
    layout.offset = U32(data + 10);
    layout.width = static_cast<std::int32_t>(U32(data + 18));
    layout.height = static_cast<std::int32_t>(U32(data + 22));
    if (headerSize < 40 || compression != 0 || (bits != 24 && bits != 32) || layout.width <= 0 || layout.height <= 0)
        return std::nullopt;
    layout.bytesPerPixel = bits / 8;
    layout.stride = ((layout.width * bits + 31) / 32) * 4;
    if (layout.offset + layout.stride * layout.height > length)
        return std::nullopt;
    return layout;
}

// Adds the bytes of the rows [top, bottom) into `acc`, byte by byte (a loop the
// compiler vectorises).
void SumRows(const uchar* data, const BmpLayout& bmp, qint64 top, qint64 bottom, std::vector<std::uint32_t>& acc)
{
    std::fill(acc.begin(), acc.end(), 0u);
    const std::size_t rowBytes = acc.size();
    for (qint64 sy = top; sy < bottom; ++sy) {
        // Rows are stored bottom row first.
        const uchar* row = data + bmp.offset + (bmp.height - 1 - sy) * bmp.stride;
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
}

// One output row from the summed band of `rows` source rows: the columns of each
// output pixel averaged.
void AverageColumns(const std::vector<std::uint32_t>& acc, const BmpLayout& bmp, qint64 rows, QRgb* line, int w)
{
    for (int x = 0; x < w; ++x) {
        const qint64 left = qint64(x) * bmp.width / w;
        const qint64 right = qint64(x + 1) * bmp.width / w;
        std::uint32_t b = 0, g = 0, r = 0;
        for (qint64 sx = left; sx < right; ++sx) {
            const std::uint32_t* p = acc.data() + sx * bmp.bytesPerPixel;
            b += p[0];
            g += p[1];
            r += p[2];
        }
        const auto n = static_cast<std::uint32_t>(rows * (right - left));
        line[x] = qRgb(int(r / n), int(g / n), int(b / n));
    }
}

// Box-averages a bottom-up BGR(A) BMP into `size`; null when the file is not one this
// fast path takes (then the caller falls back to QImageReader).
QImage ReduceBmp(const QString& path, const QSize& size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 length = file.size();
    const uchar* data = file.map(0, length);
    const std::optional<BmpLayout> bmp = ReadBmpHeader(data, length);
    if (!bmp)
        return {};
    const int w = size.width();
    const int h = size.height();
    if (bmp->width < w || bmp->height < h)
        return {}; // not a reduction: read as it is below
    if ((bmp->width / w + 1) * (bmp->height / h + 1) > 16'000'000)
        return {}; // the 32-bit sums of one output pixel must not overflow

    QImage out(size, QImage::Format_RGB32);
    // Rows of a band are summed first, then the columns of each output pixel.
    std::vector<std::uint32_t> acc(static_cast<std::size_t>(bmp->width * bmp->bytesPerPixel));
    for (int y = 0; y < h; ++y) {
        const qint64 top = qint64(y) * bmp->height / h;
        const qint64 bottom = qint64(y + 1) * bmp->height / h;
        SumRows(data, *bmp, top, bottom, acc);
        AverageColumns(acc, *bmp, bottom - top, reinterpret_cast<QRgb*>(out.scanLine(y)), w);
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
