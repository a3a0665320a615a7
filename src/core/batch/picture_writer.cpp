#include "core/batch/picture_writer.h"

#include "core/files/output_file.h"
#include "core/render/picture_export.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace lirovane {

namespace {

constexpr std::size_t kMaxQueuedJobs = 4096;
constexpr std::size_t kMaxQueuedBytes = std::size_t{64} << 20;

// A long stretch counts with its length, whether it waits in memory or in a file.
std::size_t QueuedSize(const PictureJob& job)
{
    return job.letters ? static_cast<std::size_t>(job.length) : job.stretch.size();
}

// Room for the largest picture a stretch can give (width + height within the span
// bound): address space only, each page taken when a picture first needs it, so that
// pictures of varying sizes reuse the pages the larger ones touched.
void ReservePicture(RasterCanvas& picture)
{
    constexpr std::size_t kHalf = kMaxPictureSpan / 2;
    picture.Reserve(kHalf * (kMaxPictureSpan - kHalf) * 3u);
}

} // namespace

PictureWriter::PictureWriter(const PathStyle& style, bool ownThread, std::size_t maxQueued, SvgResolution svg,
                             std::size_t drawers)
    : m_style(style), m_svg(svg), m_maxQueued(maxQueued > 0 ? maxQueued : kMaxQueuedJobs)
{
    if (!ownThread) {
        ReservePicture(m_picture);
        return;
    }
    for (std::size_t i = 0; i < std::max<std::size_t>(drawers, 1); ++i)
        m_threads.emplace_back([this] { Run(); });
}

PictureWriter::~PictureWriter()
{
    Finish();
}

void PictureWriter::Add(PictureJob job)
{
    if (m_threads.empty()) {
        if (std::optional<IoError> failed = Write(job, m_picture))
            job.unwritten->push_back(std::move(*failed));
        return;
    }
    std::unique_lock lock(m_mutex);
    // One job always fits, however long its stretch.
    m_changed.wait(lock,
                   [&] { return m_jobs.empty() || (m_jobs.size() < m_maxQueued && m_queuedBytes < kMaxQueuedBytes); });
    m_queuedBytes += QueuedSize(job);
    m_jobs.emplace_back(m_handed++, std::move(job));
    m_changed.notify_all();
}

void PictureWriter::Finish(const std::function<void()>& whileWaiting)
{
    if (m_threads.empty())
        return;
    {
        std::unique_lock lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
        while (whileWaiting &&
               !m_changed.wait_for(lock, std::chrono::milliseconds(16), [&] { return m_jobs.empty(); })) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    std::sort(m_unwritten.begin(), m_unwritten.end(),
              [](const Unwritten& a, const Unwritten& b) { return a.order < b.order; });
    for (Unwritten& u : m_unwritten)
        u.list->push_back(std::move(u.error));
    m_unwritten.clear();
}

void PictureWriter::Run()
{
    RasterCanvas picture(1, 1);
    ReservePicture(picture);
    for (;;) {
        std::pair<std::uint64_t, Job> taken;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_closing || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            taken = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_queuedBytes -= QueuedSize(taken.second);
        }
        m_changed.notify_all();
        if (std::optional<IoError> failed = Write(taken.second, picture)) {
            std::lock_guard lock(m_mutex);
            m_unwritten.push_back({taken.first, taken.second.unwritten, std::move(*failed)});
        }
    }
}

std::optional<IoError> PictureWriter::Write(Job& job, RasterCanvas& picture)
{
    StringLetters held(job.stretch);
    LetterSource& letters = job.letters ? *job.letters : held;
    const PathExtent extent = MeasurePath(letters, m_style);
    std::optional<IoError> failed;
    // A picture that cannot be replaced, or whose stretch cannot be read again,
    // keeps its earlier bytes.
    if (const IoStatus read = letters.Status(); !read) {
        failed = IoError::Content(job.file, 0,
                                  "its stretch cannot be read again from the sequence: " + read.error().Message());
    } else if (IoStatus saved =
                   SavePathPicture(job.file, job.format, letters, extent, m_style, picture, job.title, m_svg);
               !saved) {
        failed = saved.error();
    }
    job.letters.reset(); // closes the stretch's file now, not when the next job replaces it
    return failed;
}

} // namespace lirovane
