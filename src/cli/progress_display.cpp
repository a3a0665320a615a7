#include "cli/progress_display.h"

#include <algorithm>
#include <string>

namespace lirovane::cli {

namespace {

constexpr int kBarWidth = 40;

} // namespace

ProgressDisplay::ProgressDisplay(std::FILE* stream, bool terminal) : m_stream(stream), m_terminal(terminal) {}

void ProgressDisplay::Progress(int pictures, int count)
{
    const int percent = count > 0 ? static_cast<int>(std::min<long long>(100LL * pictures / count, 100)) : 100;
    const bool last = pictures >= count;
    // One update per percent keeps the output short for tens of thousands of pictures.
    if (percent == m_lastShown && !last)
        return;
    m_lastShown = percent;
    if (m_terminal) {
        const int filled = percent * kBarWidth / 100;
        const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                                std::string(static_cast<std::size_t>(kBarWidth - filled), ' ');
        std::fprintf(m_stream, "\r[%s] %3d%%  %d/%d pictures", bar.c_str(), percent, pictures, count);
        m_lineOpen = true;
    } else {
        std::fprintf(m_stream, "lirovane-batch: %d/%d pictures (%d%%)\n", pictures, count, percent);
    }
    std::fflush(m_stream);
}

void ProgressDisplay::Finish()
{
    if (m_lineOpen)
        std::fputc('\n', m_stream);
    m_lineOpen = false;
}

} // namespace lirovane::cli
