#include "core/batch/picture_writer.h"

#include "core/files/output_file.h"
#include "core/render/picture_export.h"

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

} // namespace

PictureWriter::PictureWriter(const PathStyle& style, bool ownThread, std::size_t maxQueued, SvgResolution svg)
    : m_style(style), m_svg(svg), m_maxQueued(maxQueued > 0 ? maxQueued : kMaxQueuedJobs)
{
    // Room for the largest picture a stretch can give (width + height within the span
    // bound): address space only, each page taken when a picture first needs it.
    constexpr std::size_t kHalf = kMaxPictureSpan / 2;
    m_picture.Reserve(kHalf * (kMaxPictureSpan - kHalf) * 3u);
    if (ownThread)
        m_thread = std::thread([this] { Run(); });
}

PictureWriter::~PictureWriter()
{
    Finish();
}

void PictureWriter::Add(PictureJob job)
{
    if (!m_thread.joinable()) {
        Write(job);
        return;
    }
    std::unique_lock lock(m_mutex);
    // One job always fits, however long its stretch.
    m_changed.wait(lock,
                   [&] { return m_jobs.empty() || (m_jobs.size() < m_maxQueued && m_queuedBytes < kMaxQueuedBytes); });
    m_queuedBytes += QueuedSize(job);
    m_jobs.push_back(std::move(job));
    m_changed.notify_all();
}

void PictureWriter::Finish(const std::function<void()>& whileWaiting)
{
    if (!m_thread.joinable())
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
    m_thread.join();
}

void PictureWriter::Run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_closing || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_queuedBytes -= QueuedSize(job);
        }
        m_changed.notify_all();
        Write(job);
    }
}

void PictureWriter::Write(Job& job)
{
    StringLetters held(job.stretch);
    LetterSource& letters = job.letters ? *job.letters : held;
    const PathExtent extent = MeasurePath(letters, m_style);
    // A picture that cannot be replaced, or whose stretch cannot be read again,
    // keeps its earlier bytes.
    if (const IoStatus read = letters.Status(); !read) {
        job.unwritten->push_back(IoError::Content(
            job.file, 0, "its stretch cannot be read again from the sequence: " + read.error().Message()));
    } else if (IoStatus saved =
                   SavePathPicture(job.file, job.format, letters, extent, m_style, m_picture, job.title, m_svg);
               !saved) {
        job.unwritten->push_back(saved.error());
    }
    job.letters.reset(); // closes the stretch's file now, not when the next job replaces it
}

} // namespace lirovane
