#pragma once
#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <string>

#include "imaging/progress_sink.h"

namespace lp {

/// A progress sink a worker thread may call: every call is handed on to the real sink on
/// the user-interface thread, without waiting (steps at most every 50 ms).
class QueuedProgress final : public ProgressSink {
public:
    /// target: the sink on the user-interface thread; context: the object whose thread runs it
    /// (nothing is delivered once it is gone).
    QueuedProgress(ProgressSink* target, QObject* context) : m_target(target), m_context(context) {}

    void Begin(long low, long high, std::string_view text) override {
        Post([=, t = std::string(text)](ProgressSink& s) { s.Begin(low, high, t); });
    }
    void Step(long position) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastStep < std::chrono::milliseconds(50)) return;
        m_lastStep = now;
        Post([=](ProgressSink& s) { s.Step(position); });
    }
    void SetText(std::string_view text) override {
        Post([t = std::string(text)](ProgressSink& s) { s.SetText(t); });
    }
    void End() override {
        Post([](ProgressSink& s) { s.End(); });
    }

private:
    template <class F>
    void Post(F f) {
        if (!m_target || !m_context) return;
        ProgressSink* target = m_target;
        QPointer<QObject> guard(m_context);
        QMetaObject::invokeMethod(
            m_context, [guard, target, f] {
                if (guard) f(*target);
            },
            Qt::QueuedConnection);
    }
    ProgressSink* m_target;
    QObject* m_context;
    std::chrono::steady_clock::time_point m_lastStep{};
};

}  // namespace lp
