#pragma once
#include <QObject>
#include <QString>
#include <memory>
#include <thread>

#include "imaging/picture.h"
#include "vector/vectorizer.h"

namespace lp {

/// One vectorizer run on a worker thread. Progress and the result arrive through queued
/// signals on the thread that made the job; the job waits for its worker when destroyed, so
/// nothing reports to a window that is gone.
class CVectorizeJob final : public QObject {
    Q_OBJECT
public:
    CVectorizeJob(Picture picture, const VectorizerSettings& settings, QObject* parent = nullptr);
    ~CVectorizeJob() override;

    void Start();
    bool Running() const { return m_running; }
    const VectorizerSettings& Settings() const { return m_settings; }
    /// The result, once Finished has arrived.
    const VectorizeResult& Result() const { return m_result; }

signals:
    void Progress(const QString& text, int position, int maximum);
    void Finished();

private:
    Picture m_picture;
    VectorizerSettings m_settings;
    VectorizeResult m_result;
    std::thread m_worker;
    bool m_running = false;
};

}  // namespace lp
