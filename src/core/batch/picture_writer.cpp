#include "core/batch/picture_writer.h"

#include "core/io/output_file.h"
#include "core/render/picture_export.h"

#include <utility>

namespace lirovane {

namespace {

constexpr std::size_t kMaxQueuedJobs = 4096;
constexpr std::size_t kMaxQueuedBytes = std::size_t{64} << 20;

} // namespace

PictureWriter::PictureWriter(const PathStyle& style, bool ownThread) : m_style(style)
{
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
    m_changed.wait(
        lock, [&] { return m_jobs.empty() || (m_jobs.size() < kMaxQueuedJobs && m_queuedBytes < kMaxQueuedBytes); });
    m_queuedBytes += job.stretch.size();
    m_jobs.push_back(std::move(job));
    m_changed.notify_all();
}

void PictureWriter::Finish()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
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
            m_queuedBytes -= job.stretch.size();
        }
        m_changed.notify_all();
        Write(job);
    }
}

void PictureWriter::Write(const Job& job)
{
    const PathExtent extent = MeasurePath(job.stretch, m_style);
    // A picture that cannot be replaced keeps its earlier bytes.
    if (!SavePathPicture(job.file, job.format, job.stretch, extent, m_style, m_picture, job.title).ok())
        job.unwritten->push_back(job.file);
}

} // namespace lirovane
