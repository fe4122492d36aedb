#include "vector/ui/vectorize_job.h"

#include <QMetaObject>
#include <QPointer>
#include <new>

namespace lp {

namespace {

/// Forwards progress to the job's thread, posting only when the shown position changes, so a
/// tall picture does not flood the event queue.
class QueuedProgress final : public ProgressSink {
public:
    explicit QueuedProgress(CVectorizeJob* job) : m_job(job) {}
    void Begin(long low, long high, std::string_view text) override {
        m_low = low;
        m_high = high;
        m_text = QString::fromUtf8(text.data(), qsizetype(text.size()));
        m_last = -1;
        Post(low);
    }
    void Step(long position) override { Post(position); }
    void SetText(std::string_view text) override {
        m_text = QString::fromUtf8(text.data(), qsizetype(text.size()));
        m_last = -1;
    }
    void End() override {}

private:
    void Post(long position) {
        const long span = std::max(1L, m_high - m_low);
        const int percent = int((position - m_low) * 100 / span);
        if (percent == m_last) return;
        m_last = percent;
        CVectorizeJob* job = m_job;
        const QString text = m_text;
        QMetaObject::invokeMethod(
            job, [job, text, percent] { emit job->Progress(text, percent, 100); }, Qt::QueuedConnection);
    }
    CVectorizeJob* m_job;
    long m_low = 0, m_high = 0;
    int m_last = -1;
    QString m_text;
};

}  // namespace

CVectorizeJob::CVectorizeJob(Picture picture, const VectorizerSettings& settings, QObject* parent)
    : QObject(parent), m_picture(std::move(picture)), m_settings(settings) {}

CVectorizeJob::~CVectorizeJob() {
    if (m_worker.joinable()) m_worker.join();
}

void CVectorizeJob::Start() {
    if (m_running) return;
    m_running = true;
    m_worker = std::thread([this] {
        QueuedProgress progress(this);
        VectorizeResult result;
        try {
            CVectorizer vectorizer(m_settings);
            result = vectorizer.Run(m_picture, &progress);
        } catch (const std::bad_alloc&) {
            result.stopMessage = CVectorizer::kNoMemoryMessage;
        }
        // The result is handed over on the job's own thread; the worker touches nothing after.
        QMetaObject::invokeMethod(
            this,
            [this, r = std::move(result)]() mutable {
                if (m_worker.joinable()) m_worker.join();
                m_result = std::move(r);
                m_running = false;
                emit Finished();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace lp
