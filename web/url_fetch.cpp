#include "web/url_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <utility>

#include "base/prompter.h"
#include "base/atomic_file.h"
#include "base/imp_exp_exception.h"

namespace lp {
namespace {

constexpr const char* kAcceptHeader = "Accept: */*";
constexpr const char* kUserAgent = "URL_Connection_Sample";
constexpr std::size_t kMaxErrorText = 1024;
constexpr std::size_t kSaveChunk = 1023;

// libcurl's global set-up is not safe to race with other threads; a function-local
// static runs it exactly once.
void EnsureCurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)ready;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct UrlHandle {
    CURLU* p = curl_url();
    ~UrlHandle() { curl_url_cleanup(p); }
};

std::string TakePart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text) return {};
    std::string out(text);
    curl_free(text);
    return out;
}

/// The bypass list as libcurl wants it: comma-separated host names.
std::string NoProxyList(std::string_view bypass) {
    std::string out;
    std::string word;
    auto flush = [&] {
        if (word.empty()) return;
        if (Lower(word) == "<local>") word = "localhost,127.0.0.1,::1";
        if (!out.empty()) out += ',';
        out += word;
        word.clear();
    };
    for (char c : bypass) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ',')
            flush();
        else
            word += c;
    }
    flush();
    return out;
}

/// The value of a header in a header block (name case-insensitive, CR trimmed).
std::optional<std::string> HeaderValue(std::string_view headers, std::string_view name) {
    const std::string wanted = Lower(name);
    std::size_t pos = 0;
    while (pos < headers.size()) {
        std::size_t end = headers.find('\n', pos);
        if (end == std::string_view::npos) end = headers.size();
        std::string_view line = headers.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (Lower(line.substr(0, colon)) != wanted) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
        return std::string(value);
    }
    return std::nullopt;
}

struct TransferState {
    FetchResponse* response;
    std::uint64_t maxBody;
    bool* tooLarge;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const std::size_t n = size * count;
    if (state->response->body.size() + n > state->maxBody) {
        *state->tooLarge = true;
        return 0;  // aborts the transfer
    }
    state->response->body.insert(state->response->body.end(), data, data + n);
    return n;
}

int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::function<bool()>*>(user);
    return (*cancelled)() ? 1 : 0;  // non-zero aborts the transfer
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    // Interim responses (100 Continue, a proxy's CONNECT reply) start a new block.
    if (line.starts_with("HTTP/")) state->response->headers.clear();
    state->response->headers.append(line);
    return n;
}

}  // namespace

std::optional<ParsedUrl> ParseHttpUrl(std::string_view url) {
    if (url.find('\0') != std::string_view::npos) return std::nullopt;
    UrlHandle handle;
    if (!handle.p) return std::nullopt;
    const std::string text(url);
    if (curl_url_set(handle.p, CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return std::nullopt;
    ParsedUrl parsed;
    parsed.service = Lower(TakePart(handle.p, CURLUPART_SCHEME));
    if (parsed.service != "http" && parsed.service != "https") return std::nullopt;
    parsed.server = TakePart(handle.p, CURLUPART_HOST);
    if (parsed.server.empty()) return std::nullopt;
    const std::string port = TakePart(handle.p, CURLUPART_PORT);
    if (!port.empty()) parsed.port = std::atoi(port.c_str());
    parsed.object = TakePart(handle.p, CURLUPART_PATH);
    if (parsed.object.empty()) parsed.object = "/";
    const std::string query = TakePart(handle.p, CURLUPART_QUERY);
    if (!query.empty()) parsed.object += "?" + query;
    return parsed;
}

CUrlFetch::CUrlFetch(std::string url, InternetSettings settings, Prompter* prompter, FetchLimits limits)
    : m_url(std::move(url)), m_settings(std::move(settings)), m_prompter(prompter), m_limits(limits) {
    EnsureCurlReady();
    m_session = curl_easy_init();
    if (!m_session) Message("ERROR: Could not open an Internet Session...");
}

CUrlFetch::~CUrlFetch() { Close(); }

void CUrlFetch::Close() {
    m_response = {};
    if (m_session) curl_easy_cleanup(static_cast<CURL*>(m_session));
    m_session = nullptr;
}

void CUrlFetch::Message(const std::string& text) {
    if (m_prompter) m_prompter->Message(text, "Lumaprism", PromptIcon::Exclamation);
}

int CUrlFetch::Perform(const std::string& url) {
    CURL* curl = static_cast<CURL*>(m_session);
    m_response = {};
    m_bodyTooLarge = false;
    TransferState state{&m_response, m_limits.maxBodyBytes, &m_bodyTooLarge};

    curl_easy_reset(curl);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        curl_slist_append(nullptr, kAcceptHeader), &curl_slist_free_all);
    std::array<char, CURL_ERROR_SIZE> errorBuffer{};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);  // one redirect, by hand
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer.data());
    if (m_limits.cancelled) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &m_limits.cancelled);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    if (m_settings.accessType == kAccessDirect) {
        curl_easy_setopt(curl, CURLOPT_PROXY, "");  // also ignores the environment
    } else if (m_settings.accessType == kAccessProxy) {
        curl_easy_setopt(curl, CURLOPT_PROXY, m_settings.proxyName.c_str());
        const std::string noProxy = NoProxyList(m_settings.proxyByPass);
        curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy.c_str());
    }

    const CURLcode result = curl_easy_perform(curl);
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    m_response.status = static_cast<int>(code);
    m_response.complete = result == CURLE_OK;
    if (result != CURLE_OK) {
        m_response.body.clear();
        std::string text = errorBuffer[0] ? errorBuffer.data() : curl_easy_strerror(result);
        if (m_bodyTooLarge || result == CURLE_FILESIZE_EXCEEDED)
            text = "The response is larger than " + std::to_string(m_limits.maxBodyBytes) + " bytes";
        m_errorText = text.substr(0, kMaxErrorText);
        m_failure = 3;
        if (!(result == CURLE_ABORTED_BY_CALLBACK && m_limits.cancelled && m_limits.cancelled())) Message(m_errorText);
    }
    return result == CURLE_OK ? 0 : -1;
}

int CUrlFetch::Fetch(std::optional<std::string_view> url, ProgressSink* status) {
    if (url) m_url = std::string(*url);
    m_failure = 0;
    m_errorText.clear();
    m_response = {};
    auto setStatus = [status](std::string_view text) {
        if (status) status->SetText(text);
    };
    if (!m_session) return 0;
    if (!ParseHttpUrl(m_url)) {
        m_failure = 1;
        return 0;
    }
    setStatus("Contacting Server ... ");
    setStatus("Server Contacted ... Waiting for reply");
    if (Perform(m_url) != 0) return m_response.status;
    const int first = m_response.status;
    if (first == 401) return first;
    if (first != 301 && first != 302 && first != 303) return first;

    if (!HeaderValue(m_response.headers, "Location")) {
        Message("Error: Site redirects with no new location");
        m_failure = 2;
        return first;
    }
    // libcurl resolves a relative target against the request URL.
    char* target = nullptr;
    curl_easy_getinfo(static_cast<CURL*>(m_session), CURLINFO_REDIRECT_URL, &target);
    const std::string newUrl = target ? target : "";
    if (newUrl.empty()) {
        Message("Error: the redirected URL could not be parsed.");
        m_failure = 2;
        return first;
    }
    {
        UrlHandle check;
        if (!check.p || curl_url_set(check.p, CURLUPART_URL, newUrl.c_str(), 0) != CURLUE_OK) {
            Message("Error: the redirected URL could not be parsed.");
            m_failure = 2;
            return first;
        }
    }
    if (!ParseHttpUrl(newUrl)) {
        Message("Error: the redirected URL does not reference a HTTP resource.");
        m_failure = 2;
        return first;
    }
    if (Perform(newUrl) != 0) return m_response.status;
    if (m_response.status != 200) m_failure = 2;
    return m_response.status;
}

bool CUrlFetch::SaveBody(const std::filesystem::path& localPath, ProgressSink* progress, std::string_view caption) {
    if (!m_response.complete) return false;
    try {
        AtomicFileWriter writer(localPath, "Unable to open file " + localPath.string(),
                                "Unable to write file " + localPath.string());
        ProgressScope scope(progress, 0, 100, caption);
        const std::span<const std::uint8_t> body(m_response.body);
        long position = 0;
        for (std::size_t offset = 0; offset < body.size(); offset += kSaveChunk) {
            writer.Write(body.subspan(offset, std::min(kSaveChunk, body.size() - offset)));
            position = position >= 100 ? 0 : position + 1;
            scope.Step(position);
        }
        scope.SetText({});
        writer.Commit();
        return true;
    } catch (const InnerError& e) {
        Message(e.what());
        return false;
    }
}

std::string_view CUrlFetch::StatusText(int code) {
    switch (code) {
        case 200: return "Request completed successfully.";
        case 201: return "Object created, reason = new URI.";
        case 202: return "Async completion (TBS).";
        case 203: return "Partial completion.";
        case 204: return "No info to return.";
        case 300: return "Server couldn't decide what to return.";
        case 301: return "Object permanently moved.";
        case 302: return "Object temporarily moved.";
        case 303: return "Redirection w/ new access method.";
        case 304: return "If-modified-since was not modified.";
        case 400: return "Invalid syntax.";
        case 401: return "Access denied.";
        case 402: return "Payment required.";
        case 403: return "Request forbidden.";
        case 404: return "Object not found.";
        case 405: return "Method is not allowed.";
        case 406: return "No response acceptable to client found.";
        case 407: return "Proxy authentication required.";
        case 408: return "Server timed out waiting for request.";
        case 409: return "User should resubmit with more Info.";
        case 410: return "The resource is no longer available.";
        case 411: return "Couldn't authorize client.";
        case 500: return "Internal server error.";
        case 501: return "Required status not supported.";
        case 502: return "Error response received from gateway.";
        case 503: return "Temporarily overloaded.";
        case 504: return "Timed out waiting for gateway.";
        default: return {};
    }
}

}  // namespace lp
