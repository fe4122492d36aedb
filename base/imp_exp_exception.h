#pragma once
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace lp {

/// The one failure type of the image library: where it happened (file name or
/// operation label), what went wrong, and the family used as a caption.
class ImpExpException : public std::exception {
public:
    ImpExpException(std::string where, std::string message, std::string title)
        : m_where(std::move(where)), m_message(std::move(message)), m_title(std::move(title)) {}

    const std::string& Where() const noexcept { return m_where; }
    const std::string& Message() const noexcept { return m_message; }
    const std::string& Title() const noexcept { return m_title; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_where;
    std::string m_message;
    std::string m_title;
};

/// What inner steps of a codec throw: a plain message text. Each public
/// operation catches it and rethrows an ImpExpException with its own where/title.
class InnerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What becomes of an ImpExpException thrown by a step that a codec wraps (a picture
/// allocation, a colour count, the atomic file writer).
enum class InnerImpExp {
    Keep,         // passes through unchanged
    NameTheFile,  // takes the codec's where, keeps its text and title
    Adopt,        // takes the codec's where and title, keeps its text
};

/// Runs a codec step and turns what its inner steps throw into the codec's
/// exception: InnerError keeps its text, running out of memory says
/// noMemoryText; an ImpExpException is handled as `inner` says.
template <class Fn>
decltype(auto) WithImpExpErrors(const std::string& where, const char* title, const char* noMemoryText,
                                InnerImpExp inner, Fn&& fn) {
    try {
        return std::forward<Fn>(fn)();
    } catch (const InnerError& e) {
        throw ImpExpException(where, e.what(), title);
    } catch (const std::bad_alloc&) {
        throw ImpExpException(where, noMemoryText, title);
    } catch (const ImpExpException& e) {
        if (inner == InnerImpExp::Keep) throw;
        throw ImpExpException(where, e.Message(), inner == InnerImpExp::Adopt ? std::string(title) : e.Title());
    }
}
template <class Fn>
decltype(auto) WithImpExpErrors(const std::string& where, const char* title, const char* noMemoryText, Fn&& fn) {
    return WithImpExpErrors(where, title, noMemoryText, InnerImpExp::Keep, std::forward<Fn>(fn));
}
template <class Fn>
decltype(auto) WithImpExpErrors(const std::string& where, const char* title, Fn&& fn) {
    return WithImpExpErrors(where, title, "Not Enough Memory", std::forward<Fn>(fn));
}

}  // namespace lp
