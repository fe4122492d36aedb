#pragma once
#include <chrono>
#include <functional>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/progress_sink.h"

namespace lp {

class Prompter;

/// Access types of the "Internet Settings" section.
inline constexpr int kAccessSystem = 0;  // the system's settings (http_proxy, no_proxy, ...)
inline constexpr int kAccessDirect = 1;
inline constexpr int kAccessProxy = 3;

/// The user's internet settings a fetch object is built with.
struct InternetSettings {
    int accessType = kAccessSystem;
    std::string proxyName;
    std::string proxyByPass;  // hosts separated by blanks, ";" or ","
};

/// What one fetch may cost. A network client must bound its waits and what it
/// keeps in memory.
struct FetchLimits {
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds totalTimeout{300000};  // one request, body included
    std::uint64_t maxBodyBytes = 64ull << 20;
    /// Tested while a transfer runs; true ends it at once (no message is shown).
    std::function<bool()> cancelled;
};

/// A URL split the way fetches and site paths need it.
struct ParsedUrl {
    std::string service;  // "http" or "https", lower case
    std::string server;   // host name as given (IPv6 in brackets)
    std::string object;   // path with its query ("/a/b.html?x=1"); "/" at least
    int port = 0;         // 0 when the URL names none
};

/// Parses an http or https URL; nothing when it is not one or cannot be parsed.
std::optional<ParsedUrl> ParseHttpUrl(std::string_view url);

/// The response of the last request: status, headers and the whole body.
struct FetchResponse {
    int status = 0;
    std::string headers;             // the final response's header block
    std::vector<std::uint8_t> body;  // complete only when `complete`
    /// The transfer ended normally: the body is all the server sent.
    bool complete = false;
};

/// One HTTP GET with the user's internet settings: at most one redirect, fixed
/// request headers, the status code as result. The body is read with the
/// request and kept until the next fetch; SaveBody copies it to a file.
/// Used by one thread at a time.
class CUrlFetch {
public:
    /// Messages go to the prompter (null: none). Opening the session can fail:
    /// "ERROR: Could not open an Internet Session..." and every fetch returns 0.
    CUrlFetch(std::string url, InternetSettings settings, Prompter* prompter, FetchLimits limits = {});
    ~CUrlFetch();
    CUrlFetch(const CUrlFetch&) = delete;
    CUrlFetch& operator=(const CUrlFetch&) = delete;

    bool HasSession() const { return m_session != nullptr; }

    /// Requests the URL (a given one replaces the stored URL) and returns the
    /// HTTP status code, 0 when none was read. Progress texts go to `status`.
    int Fetch(std::optional<std::string_view> url = std::nullopt, ProgressSink* status = nullptr);

    /// The response of the last fetch.
    const FetchResponse& Request() const { return m_response; }
    /// The stored URL (a redirect does not change it).
    const std::string& Url() const { return m_url; }
    /// 0 after a fetch that did not fail, 1 for a URL that is not HTTP, 2 for a
    /// failed redirect, 3 for a transport error (its text in ErrorText()).
    int FailureCode() const { return m_failure; }
    const std::string& ErrorText() const { return m_errorText; }

    /// Copies the body of the last response into the file, atomically: an
    /// incomplete body, or a failed write, leaves no file and returns false.
    /// "Unable to open file %s" when the file cannot be created.
    bool SaveBody(const std::filesystem::path& localPath, ProgressSink* progress = nullptr,
                  std::string_view caption = {});

    /// The text of the status-text table, empty for any other code.
    static std::string_view StatusText(int code);

    /// Frees the request, the connection and the session.
    void Close();

private:
    int Perform(const std::string& url);
    void Message(const std::string& text);

    std::string m_url;
    InternetSettings m_settings;
    Prompter* m_prompter;
    FetchLimits m_limits;
    void* m_session = nullptr;  // CURL*
    FetchResponse m_response;
    bool m_bodyTooLarge = false;
    int m_failure = 0;
    std::string m_errorText;
};

}  // namespace lp
