#include "web/site_optimizer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <span>

#include "base/atomic_file.h"
#include "base/prompter.h"
#include "formats/format_table.h"
#include "web/site_paths.h"

namespace lp {
namespace {

constexpr std::array<std::string_view, 10> kImageExtensions = {".BMP", ".JPG", ".JPEG", ".TIF", ".GIF",
                                                               ".PNG", ".DIB", ".PCX", ".TGA", ".RLE"};
constexpr std::array<std::string_view, 4> kPageExtensions = {".HTM", ".HTML", ".SHTM", ".SHTML"};
constexpr std::array<std::string_view, 5> kDownloadedExtensions = {".HTM", ".HTML", ".SHTM", ".SHTML", ".ASP"};

template <std::size_t N>
bool OneOf(std::string_view value, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool EndsWithSeparator(std::string_view text) { return text.ends_with('/') || text.ends_with('\\'); }

/// Forwards the texts of a long step to the job's status line.
class StatusLine final : public ProgressSink {
public:
    explicit StatusLine(const std::function<void(std::string_view)>& onStatus) : m_onStatus(onStatus) {}
    void Begin(long, long, std::string_view text) override { SetText(text); }
    void Step(long) override {}
    void SetText(std::string_view text) override {
        if (m_onStatus && !text.empty()) m_onStatus(text);
    }
    void End() override {}

private:
    const std::function<void(std::string_view)>& m_onStatus;
};

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

}  // namespace

CSiteOptimizer::CSiteOptimizer(std::string startUrl, std::filesystem::path outputDir, SiteOptions options,
                               SiteJobEnvironment env)
    : m_startUrl(std::move(startUrl)),
      m_outputDir(std::move(outputDir)),
      m_options(options),
      m_env(std::move(env)) {
    if (const auto parsed = ParseHttpUrl(NormaliseStartUrl(m_startUrl).url)) m_server = parsed->server;
    if (m_env.stop) m_stopAtStart = m_env.stop->Requests();
}

CSiteOptimizer::~CSiteOptimizer() { Wait(); }

void CSiteOptimizer::Start() {
    if (m_env.stop) m_stopAtStart = m_env.stop->Requests();
    m_worker = std::thread([this] { Run(); });
}

void CSiteOptimizer::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

bool CSiteOptimizer::StopRequested() const { return m_env.stop && m_env.stop->Requests() != m_stopAtStart; }

bool CSiteOptimizer::OverBudget() {
    if (!m_limitReached.empty()) return true;
    if (m_bytes >= m_env.limits.maxBytes)
        m_limitReached = "download limit of " + std::to_string(m_env.limits.maxBytes) + " bytes reached";
    else if (std::chrono::steady_clock::now() >= m_deadline)
        m_limitReached = "time limit of " + std::to_string(m_env.limits.maxTime.count()) + " seconds reached";
    return !m_limitReached.empty();
}

void CSiteOptimizer::Status(std::string_view text) {
    if (m_env.onStatus) m_env.onStatus(text);
}

void CSiteOptimizer::CountBytes(const CUrlFetch& fetch) { m_bytes += fetch.Request().body.size(); }

void CSiteOptimizer::Fail(const std::string& what, const CUrlFetch& fetch, int status) {
    std::string line = what + ": ";
    if (!fetch.ErrorText().empty()) {
        line += fetch.ErrorText();
    } else if (status != 0) {
        line += std::to_string(status);
        const std::string_view text = CUrlFetch::StatusText(status);
        if (!text.empty()) line += " " + std::string(text);
    } else {
        line += "not fetched";
    }
    m_failures.push_back(std::move(line));
}

void CSiteOptimizer::Run() {
    m_deadline = std::chrono::steady_clock::now() + m_env.limits.maxTime;
    // A stop ends a transfer under way, not only the steps between them.
    m_env.limits.fetch.cancelled = [this] { return StopRequested(); };
    const lp::StartUrl start = NormaliseStartUrl(m_startUrl);
    CUrlFetch fetch(start.url, m_env.internet, m_env.prompter, m_env.limits.fetch);
    m_imageFetch = std::make_unique<CUrlFetch>(start.url, m_env.internet, m_env.prompter, m_env.limits.fetch);

    // A 200 whose body did not arrive whole is no page.
    auto fetched = [&fetch](int code) { return code == 200 && fetch.Request().complete; };
    Status("Contacting Server...");
    std::string pageUrl = start.url;
    int status = fetch.Fetch(pageUrl);
    CountBytes(fetch);
    if (!fetched(status) && start.guessed) {
        for (const char* name : {"default.htm", "index.html", "index.htm"}) {
            if (StopRequested()) break;
            pageUrl = SameFolder(start.url, name);
            status = fetch.Fetch(pageUrl);
            CountBytes(fetch);
            if (fetched(status)) break;
        }
    }
    if (!fetched(status)) {
        m_startFailed = true;
        Fail(start.url, fetch, status);
        if (m_env.prompter)
            m_env.prompter->Message("Attempts to connect to the server failed.\nCheck the Internet settings under Options",
                                    "Lumaprism", PromptIcon::Exclamation);
    } else {
        Status("Server contacted...Starting processing...");
        ++m_pagesFetched;
        m_queued.insert(pageUrl);  // a link back to the start page needs no second fetch
        ProcessPage(pageUrl, fetch);

        const int levels = m_options.levels;
        int level = 1;
        std::size_t next = 0;
        std::size_t levelEnd = m_queue.size();
        while (next < m_queue.size() && (levels >= 6 || level < levels)) {
            if (StopRequested() || OverBudget()) break;
            if (m_pagesFetched >= m_env.limits.maxPages) {
                m_limitReached = "page limit of " + std::to_string(m_env.limits.maxPages) + " reached";
                break;
            }
            std::string url = m_queue[next];
            if (EndsWithSeparator(url))
                url += "default.htm";
            else if (UpperExtension(LastComponent(url)).empty())
                url += "/default.htm";
            Status("Contacting Server...");
            status = fetch.Fetch(url);
            CountBytes(fetch);
            ++m_pagesFetched;
            if (!fetched(status) && LastComponent(url) == "default.htm") {
                for (const char* name : {"default.html", "index.html", "index.htm"}) {
                    const std::string candidate = SameFolder(url, name);
                    status = fetch.Fetch(candidate);
                    CountBytes(fetch);
                    if (fetched(status)) {
                        url = candidate;
                        break;
                    }
                }
            }
            if (StopRequested()) break;
            if (fetched(status)) {
                Status("Server contacted...Starting processing...");
                ProcessPage(url, fetch);
            } else {
                Fail(url, fetch, status);
            }
            ++next;
            if (next >= levelEnd) {
                ++level;
                levelEnd = m_queue.size();
            }
        }
    }

    RewritePages();
    ImageStep();
    fetch.Close();
    m_imageFetch.reset();
    if (m_env.onFinished) m_env.onFinished(*this);
}

void CSiteOptimizer::ProcessPage(const std::string& url, CUrlFetch& fetch) {
    const auto local = LocalPathOfUrl(m_outputDir, url);
    if (!local) {
        m_failures.push_back(url + ": refused: the path would leave the output folder");
        return;
    }
    if (!OneOf(UpperExtension(std::string_view(local->filename().string())), kDownloadedExtensions)) return;

    Status("Creating appropriate path...");
    std::error_code ec;
    std::filesystem::create_directories(local->parent_path(), ec);
    if (ec) {
        m_failures.push_back(url + ": cannot create " + local->parent_path().string());
        return;
    }
    if (!m_pagePaths.contains(*local)) {
        Status("Downloading Html File ...");
        if (!fetch.SaveBody(*local)) {
            m_failures.push_back(url + ": cannot write " + local->string());
            return;
        }
        m_pagePaths.insert(*local);
        m_pages.push_back(Page{url, *local});
    }

    Status("Processing HTML File ...");
    const auto& body = fetch.Request().body;
    const std::string html(body.begin(), body.end());
    for (const FoundLink& link : ScanPageLinks(html, m_options.levels)) {
        if (StopRequested()) break;
        HandleLink(link, url);
        Status("Processing HTML File ...");
    }
}

void CSiteOptimizer::HandleLink(const FoundLink& link, const std::string& pageUrl) {
    std::string text = link.text;
    if (text.empty() || text.front() == '#') return;  // a place on the same page
    if (const std::size_t hash = text.find('#'); hash != std::string::npos) text.resize(hash);

    const std::string extension = UpperExtension(LastComponent(text));
    const bool image = OneOf(extension, kImageExtensions);
    const bool page = OneOf(extension, kPageExtensions) || (link.anchor && extension.empty() && text != "map");
    if (!image && !page) return;

    auto absolute = MakeAbsoluteUrl(text, pageUrl);
    if (!absolute || !SameServer(*absolute, pageUrl)) return;
    if (image) {
        HandleImage(*absolute, link);
        return;
    }
    if (EndsWithSeparator(*absolute)) *absolute += "default.htm";
    if (m_options.levels < 2) return;
    if (absolute->find('?') != std::string::npos || m_queued.contains(*absolute)) return;
    m_queued.insert(*absolute);
    m_queue.push_back(*absolute);
}

void CSiteOptimizer::HandleImage(const std::string& absolute, const FoundLink& link) {
    const auto local = LocalPathOfUrl(m_outputDir, absolute);
    if (!local) {
        m_failures.push_back(absolute + ": refused: the path would leave the output folder");
        return;
    }
    if (const auto known = m_imageIndex.find(*local); known != m_imageIndex.end()) {
        SiteImage& record = m_images[known->second];
        record.width = std::max(record.width, link.width);
        record.height = std::max(record.height, link.height);
        record.naturalSizeShown = record.naturalSizeShown || link.width <= 0 || link.height <= 0;
        return;
    }
    if (m_images.size() >= m_env.limits.maxImages) {
        if (m_limitReached.empty())
            m_limitReached = "image limit of " + std::to_string(m_env.limits.maxImages) + " reached";
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(local->parent_path(), ec);
    m_imageIndex.emplace(*local, m_images.size());
    m_images.push_back(
        SiteImage{*local, absolute, link.width, link.height, false, link.width <= 0 || link.height <= 0});
    if (ec) {
        m_failures.push_back(absolute + ": cannot create " + local->parent_path().string());
        return;
    }
    if (OverBudget()) return;  // the record stays, without a file

    Status("Contacting Server...");
    const int status = m_imageFetch->Fetch(absolute);
    CountBytes(*m_imageFetch);
    if (status != 200 || !m_imageFetch->Request().complete) {
        Fail(absolute, *m_imageFetch, status);
        return;
    }
    Status("Downloading Image File ...");
    if (m_imageFetch->SaveBody(*local))
        m_images.back().downloaded = true;
    else
        m_failures.push_back(absolute + ": cannot write " + local->string());
}

std::optional<std::pair<int, int>> CSiteOptimizer::ImageSize(std::string_view src, const std::string& pageUrl) {
    const auto absolute = MakeAbsoluteUrl(src, pageUrl);
    if (!absolute) return std::nullopt;
    const auto local = LocalPathOfUrl(m_outputDir, *absolute);
    if (!local) return std::nullopt;
    if (const auto known = m_sizes.find(*local); known != m_sizes.end()) return known->second;

    std::optional<std::pair<int, int>> size;
    std::error_code ec;
    if (std::filesystem::is_regular_file(*local, ec)) {
        // Only the size is needed: the header tells it without decoding a pixel.
        // Sizes are written only for the formats browsers show (GIF, JPEG, PNG).
        const FormatRow* row = FindFormatForPath(*local);
        const bool webFormat = row && (row->type == PictureFileType::Gif || row->type == PictureFileType::Jpeg ||
                                       row->type == PictureFileType::Png);
        try {
            if (webFormat && row->header) {
                const PictureFile file = ReadPictureFile(*local);
                if (const auto header = row->header(file.bytes)) size = std::pair(header->width, header->height);
            }
        } catch (const std::exception&) {
            // An image that cannot be read leaves its tags without WIDTH and HEIGHT.
        }
    }
    m_sizes.emplace(*local, size);
    return size;
}

void CSiteOptimizer::RewritePages() {
    if (!m_options.addTags) return;
    const TagOptions options{m_options.addAlt, m_options.addWidth, m_options.addHeight};
    TagCounts counts;
    for (const Page& page : m_pages) {
        Status("Optimizing Html File ...");
        const auto text = ReadTextFile(page.localPath);
        if (!text) {
            m_failures.push_back(page.localPath.string() + ": cannot be read; left as downloaded");
            continue;
        }
        const ImageSizeLookup lookup = [&](std::string_view src) { return ImageSize(src, page.url); };
        const std::string rewritten = RewritePageText(*text, options, lookup, counts);
        if (rewritten == *text) continue;
        try {
            WriteFileAtomically(page.localPath,
                                std::span(reinterpret_cast<const std::uint8_t*>(rewritten.data()), rewritten.size()),
                                "Unable to open file " + page.localPath.string(),
                                "Unable to write file " + page.localPath.string());
        } catch (const std::exception& e) {
            m_failures.push_back(page.localPath.string() + ": " + e.what());
        }
    }
    m_report.altCount = counts.alt;
    m_report.widthCount = counts.width;
    m_report.heightCount = counts.height;
}

void CSiteOptimizer::ImageStep() {
    m_report.url = NormaliseStartUrl(m_startUrl).url;
    m_report.outputDir = m_outputDir.string();
    m_report.levels = m_options.levels;
    m_report.htmlFiles = static_cast<int>(m_pages.size());
    m_report.imageFiles = static_cast<int>(m_images.size());
    m_report.modemSpeed = m_env.modemSpeed;
    if (m_images.empty()) return;

    Status("Optimizing images ...");
    if (m_env.statusPause.count() > 0 && !StopRequested()) std::this_thread::sleep_for(m_env.statusPause);
    if (!m_env.images) return;
    StatusLine status(m_env.onStatus);
    for (std::string& failure : m_env.images->Process(m_images, m_options.resizeImages, m_report, &status)) {
        m_failures.push_back(std::move(failure));
        ++m_imageStepFailures;
    }
}

namespace {

/// One spelling per folder: "out", "out/" and "out/." name the same one.
std::filesystem::path FolderKey(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::path key = std::filesystem::weakly_canonical(folder, ec);
    if (ec) key = std::filesystem::absolute(folder, ec);
    key = key.lexically_normal();
    if (!key.has_filename() && key.has_parent_path() && key != key.root_path()) key = key.parent_path();
    return key;
}

}  // namespace

bool SiteJobList::Start(CSiteOptimizer& job, Prompter* prompter) {
    const auto folder = FolderKey(job.OutputDir());
    {
        std::lock_guard lock(m_mutex);
        for (const CSiteOptimizer* running : m_jobs) {
            const auto other = FolderKey(running->OutputDir());
            std::string a = running->Server(), b = job.Server();
            std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return std::tolower(c); });
            std::transform(b.begin(), b.end(), b.begin(), [](unsigned char c) { return std::tolower(c); });
            if (a == b && other == folder) {
                if (prompter)
                    prompter->Message("This combination of URL & Output directory is already being processed.",
                                      "Lumaprism", PromptIcon::Exclamation);
                return false;
            }
        }
        m_jobs.push_back(&job);
    }
    job.Start();
    return true;
}

void SiteJobList::Finished(const CSiteOptimizer& job) {
    std::lock_guard lock(m_mutex);
    std::erase(m_jobs, &job);
}

std::size_t SiteJobList::Running() const {
    std::lock_guard lock(m_mutex);
    return m_jobs.size();
}

}  // namespace lp
