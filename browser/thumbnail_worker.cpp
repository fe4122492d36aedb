#include "browser/thumbnail_worker.h"

#include <algorithm>
#include <vector>

namespace lp {

ThumbnailWorker::~ThumbnailWorker() { Stop(); }

void ThumbnailWorker::Start(ThumbnailJob job, CThumbnailCache* cache, ThumbnailObserver& observer, unsigned threads) {
    Stop();
    m_job = std::move(job);
    m_cache = cache;
    m_observer = &observer;
    m_errors.Clear();
    m_next = 0;
    m_running = true;
    m_thread = std::thread([this, threads] { Run(std::max(1u, threads)); });
}

void ThumbnailWorker::Stop() {
    m_running = false;
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void ThumbnailWorker::Wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void ThumbnailWorker::Run(unsigned threads) {
    auto walk = [this] {
        ProgressSink* progress = m_observer->PictureProgress();
        ThumbnailScratch scratch;
        // The flag is tested before every picture: a stop waits for at most
        // the pictures already under way.
        while (m_running.load()) {
            const std::size_t i = m_next.fetch_add(1);
            if (i >= m_job.rows.size()) break;
            std::error_code ec;
            if (!std::filesystem::exists(m_job.rows[i].path, ec)) continue;
            m_observer->OnItemStarted(m_job.passNumber, i, m_job.rows[i].path);
            m_observer->OnThumbnail(MakeThumbnail(m_job, i, m_cache, progress, m_errors, scratch));
        }
    };
    if (threads == 1) {
        walk();
    } else {
        std::vector<std::thread> helpers;
        for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(walk);
        walk();
        for (std::thread& t : helpers) t.join();
    }
    const bool stopped = !m_running.exchange(false);
    m_observer->OnPassFinished(m_job.passNumber, m_errors, stopped);
}

}  // namespace lp
