#pragma once

#include "core/render/walk_kernel.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lirovane {

class LetterSource;

// Reads a long stretch's pieces on a second thread, one piece ahead of the caller,
// with the moves of each piece's whole 64-byte blocks: the reading and the vector walk
// run while the caller draws the piece before. The source must not be touched until
// this is destroyed (or has handed out its empty last piece).
class ReadAhead {
public:
    struct Piece {
        std::string_view text;             // empty at the end
        const BlockMoves* moves = nullptr; // of text's whole blocks, when asked for
        std::size_t blocks = 0;
    };

    // `withMoves`: whether the caller needs the blocks' moves (not at one step per pixel).
    ReadAhead(LetterSource& letters, const WalkKernel& kernel, bool withMoves);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next piece, valid until the next call.
    Piece Next();

private:
    struct Slot {
        std::string copy; // the piece, when the source does not keep it
        std::string_view text;
        std::vector<BlockMoves> moves;
        std::size_t blocks = 0;
        bool full = false;
        bool last = false;
    };
    void Run();

    LetterSource& m_letters;
    const WalkKernel& m_kernel;
    bool m_withMoves;
    Slot m_slots[2];
    std::size_t m_taking = 0;
    bool m_holding = false; // the caller holds m_slots[m_taking ^ 1]
    bool m_stopping = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

} // namespace lirovane
