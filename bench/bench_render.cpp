// Drawing and saving speed, each against a plain reference measured in the same run.
#include "core/render/bmp_export.h"
#include "core/render/path_renderer.h"
#include "core/render/raster_canvas.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace lirovane;

namespace {

template <typename F> double Seconds(int repeats, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i)
        f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

std::string RandomLetters(std::size_t n, const char* alphabet, unsigned seed)
{
    std::mt19937 rng(seed);
    const std::size_t size = std::char_traits<char>::length(alphabet);
    std::string s(n, 'A');
    for (char& c : s)
        c = alphabet[rng() % size];
    return s;
}

volatile std::size_t g_sink = 0;

std::size_t CountNonBlank(const std::string& s)
{
    std::size_t n = 0;
    for (const char c : s)
        n += static_cast<unsigned char>(c) > ' ';
    return n;
}

} // namespace

int main()
{
    const PathStyle style;
    const auto dir = std::filesystem::temp_directory_path() / "lirovane-bench-render";
    std::filesystem::create_directories(dir);

    // A 15000-letter biased walk: the largest stretch the batch draws unscaled.
    const std::string stretch = RandomLetters(15000, "AACGTTTTNacgt", 1);
    const PathExtent extent = MeasurePath(stretch, style);
    RasterCanvas canvas(extent.width, extent.height);
    const double measureDraw = Seconds(20, [&] {
        const PathExtent e = MeasurePath(stretch, style);
        canvas.Resize(e.width, e.height);
        DrawPath(stretch, e, style, canvas);
    });
    const double countStretch = Seconds(200, [&] { g_sink = CountNonBlank(stretch); });
    std::printf("picture %dx%d, 15000 letters: measure+draw %.3f ms, counting its letters %.4f ms, ratio %.1f\n",
                extent.width, extent.height, measureDraw * 1e3, countStretch * 1e3, measureDraw / countStretch);

    DrawPath(stretch, extent, style, canvas);
    const double save =
        Seconds(10, [&] { g_sink = SaveImage(dir / "p.bmp", canvas, extent.width, extent.height).ok(); });
    const std::vector<char> bytes(static_cast<std::size_t>(std::filesystem::file_size(dir / "p.bmp")));
    const double plainWrite = Seconds(10, [&] {
        std::ofstream out(dir / "plain.bmp", std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
    std::printf("save %zu bytes: SaveImage %.3f ms, plain write %.3f ms, ratio %.2f\n", bytes.size(), save * 1e3,
                plainWrite * 1e3, save / plainWrite);

    // Viewer: 400000 alternating letters all fit at zoom 1, so every one is drawn
    // twice, and no two steps in a row share a direction (the worst case).
    std::string letters;
    for (int i = 0; i < 200000; ++i)
        letters += "AT";
    RasterCanvas screen(kViewerWidth, kViewerHeight);
    RasterCanvas image(kViewerWidth, kViewerHeight);
    ViewerFit fit;
    const double fitTime = Seconds(20, [&] { fit = FitViewerPath(letters, 1, style); });
    const double drawTime = Seconds(20, [&] { DrawViewerPath(letters, fit, 1, style, screen, image); });
    const double count = Seconds(20, [&] { g_sink = CountNonBlank(letters); });
    std::printf("viewer 400000 letters (count %d): fit %.3f ms, draw on two surfaces %.3f ms, "
                "counting letters %.3f ms, ratios %.1f and %.1f\n",
                fit.count, fitTime * 1e3, drawTime * 1e3, count * 1e3, fitTime / count, drawTime / count);

    std::filesystem::remove_all(dir);
    return 0;
}
