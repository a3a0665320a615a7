#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace lirovane {

class LetterSource;

// Reads a long stretch's pieces on a second thread, one piece ahead of the caller: the
// reading runs while the caller draws the piece before. The pieces are the source's own
// when it keeps two at once, else copies. The source must not be touched until this is
// destroyed (or has handed out its empty last piece).
class ReadAhead {
public:
    explicit ReadAhead(LetterSource& letters);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next piece, valid until the next call; empty at the end.
    std::string_view Next();

private:
    struct Slot {
        std::string copy; // the piece, when the source does not keep it
        std::string_view text;
        bool full = false;
        bool last = false;
    };
    void Run();

    LetterSource& m_letters;
    Slot m_slots[2];
    std::size_t m_taking = 0;
    bool m_holding = false; // the caller holds m_slots[m_taking ^ 1]
    bool m_stopping = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

} // namespace lirovane
