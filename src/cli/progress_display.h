#pragma once

#include "core/batch/image_batch.h"

#include <csignal>
#include <cstdio>
#include <memory>

namespace lirovane::cli {

// The batch's window stand-in: nothing is drawn, progress goes to a stream
// (stderr) as a redrawn bar on a terminal and as plain lines otherwise.
class ProgressDisplay final : public BatchDisplay {
public:
    ProgressDisplay(std::FILE* stream, bool terminal);
    ~ProgressDisplay() override;

    Canvas& Surface() override;
    void Progress(int pictures, int count) override;
    void Navigate(const std::string& url) override { m_url = url; }
    bool StopRequested() override { return m_stop != nullptr && *m_stop != 0; }

    // The batch stops before its next picture once `*flag` is not 0 (set by a signal handler).
    void StopWhen(const volatile std::sig_atomic_t* flag) { m_stop = flag; }

    // Ends a bar line left open on the terminal.
    void Finish();
    const std::string& Url() const noexcept { return m_url; }

private:
    std::FILE* m_stream;
    bool m_terminal;
    std::unique_ptr<Canvas> m_surface;
    int m_lastShown = -1;
    bool m_lineOpen = false;
    std::string m_url;
    const volatile std::sig_atomic_t* m_stop = nullptr;
};

} // namespace lirovane::cli
