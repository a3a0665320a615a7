#pragma once

#include "core/batch/quiet_display.h"

#include <csignal>
#include <cstdio>

namespace lirovane::cli {

// The batch's window stand-in: nothing is drawn, progress goes to a stream
// (stderr) as a redrawn bar on a terminal and as plain lines otherwise.
class ProgressDisplay final : public QuietDisplay {
public:
    ProgressDisplay(std::FILE* stream, bool terminal);

    void Progress(int pictures, int count) override;
    bool StopRequested() override { return m_stop != nullptr && *m_stop != 0; }

    // The batch stops before its next picture once `*flag` is not 0 (set by a signal handler).
    void StopWhen(const volatile std::sig_atomic_t* flag) { m_stop = flag; }

    // Ends a bar line left open on the terminal.
    void Finish();

private:
    std::FILE* m_stream;
    bool m_terminal;
    int m_lastShown = -1;
    bool m_lineOpen = false;
    const volatile std::sig_atomic_t* m_stop = nullptr;
};

} // namespace lirovane::cli
