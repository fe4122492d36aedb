#pragma once
#include <string_view>

namespace lp {

/// Receives progress of long operations: Begin once, Step per row or block,
/// SetText to change the message, End when done or failing.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Begin(long low, long high, std::string_view text) = 0;
    virtual void Step(long position) = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual void End() = 0;
};

/// Calls Begin on construction and End on every exit path; a null sink is allowed.
class ProgressScope {
public:
    ProgressScope(ProgressSink* sink, long low, long high, std::string_view text) : m_sink(sink) {
        if (m_sink) m_sink->Begin(low, high, text);
    }
    ~ProgressScope() {
        if (m_sink) m_sink->End();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void Step(long position) const {
        if (m_sink) m_sink->Step(position);
    }
    void SetText(std::string_view text) const {
        if (m_sink) m_sink->SetText(text);
    }

private:
    ProgressSink* m_sink;
};

}  // namespace lp
