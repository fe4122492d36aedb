#include "shell/sane_source_manager.h"

#include "base/imp_exp_exception.h"
#include "base/library_symbol.h"

#include <sane/sane.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace lp {

namespace {

int Channels(int format) { return format == SANE_FRAME_RGB ? 3 : 1; }

/// Sample s of a line (0-based, counting every channel) scaled to 0..255.
std::uint8_t Sample(std::span<const std::uint8_t> line, int depth, std::size_t s) {
    switch (depth) {
        case 1:
            return (line[s / 8] >> (7 - s % 8)) & 1 ? 0 : 255;
        case 16: {
            std::uint16_t v;
            std::memcpy(&v, line.data() + 2 * s, 2);
            return std::uint8_t(v >> 8);
        }
        default:
            return line[s];
    }
}

}  // namespace

std::string ScanDeviceLabel(const ScanDevice& device) {
    std::string label = device.vendor;
    if (!device.model.empty()) label += (label.empty() ? "" : " ") + device.model;
    if (label.empty()) return device.name;
    return label + " (" + device.name + ")";
}

std::size_t InitialDeviceChoice(std::span<const ScanDevice> devices, std::string_view name) {
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].name == name) return i;
    return 0;
}

std::string CheckScanFrame(const ScanFrameFormat& frame) {
    if (frame.format < SANE_FRAME_GRAY || frame.format > SANE_FRAME_BLUE)
        return "The scanner sends a kind of image this program cannot read";
    if (frame.depth != 1 && frame.depth != 8 && frame.depth != 16)
        return "The scanner sends samples of " + std::to_string(frame.depth) + " bits, which this program cannot read";
    if (frame.pixelsPerLine <= 0 || frame.lines == 0 || frame.lines < -1) return "The scanner sends an empty image";
    const std::uint64_t bits = std::uint64_t(frame.pixelsPerLine) * std::uint64_t(Channels(frame.format)) *
                               std::uint64_t(frame.depth);
    if (frame.bytesPerLine <= 0 || std::uint64_t(frame.bytesPerLine) < (bits + 7) / 8)
        return "The scanner sends lines shorter than their pixels";
    return {};
}

void StoreScanRows(const ScanFrameFormat& frame, std::span<const std::uint8_t> data, int firstRow, int rows,
                   Picture& picture) {
    const int width = std::min(frame.pixelsPerLine, picture.Width());
    const std::size_t bpl = std::size_t(frame.bytesPerLine);
    for (int r = 0; r < rows; ++r) {
        const int y = firstRow + r;
        if (y < 0 || y >= picture.Height() || (std::size_t(r) + 1) * bpl > data.size()) continue;
        const std::span<const std::uint8_t> line = data.subspan(std::size_t(r) * bpl, bpl);
        std::span<std::uint8_t> out = picture.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* bgr = out.data() + std::size_t(x) * 3;
            switch (frame.format) {
                case SANE_FRAME_GRAY:
                    bgr[0] = bgr[1] = bgr[2] = Sample(line, frame.depth, std::size_t(x));
                    break;
                case SANE_FRAME_RGB:
                    bgr[2] = Sample(line, frame.depth, std::size_t(x) * 3);
                    bgr[1] = Sample(line, frame.depth, std::size_t(x) * 3 + 1);
                    bgr[0] = Sample(line, frame.depth, std::size_t(x) * 3 + 2);
                    break;
                case SANE_FRAME_RED:
                    bgr[2] = Sample(line, frame.depth, std::size_t(x));
                    break;
                case SANE_FRAME_GREEN:
                    bgr[1] = Sample(line, frame.depth, std::size_t(x));
                    break;
                case SANE_FRAME_BLUE:
                    bgr[0] = Sample(line, frame.depth, std::size_t(x));
                    break;
                default:
                    break;
            }
        }
    }
}

// --- The library ---------------------------------------------------------------------------------

struct CSaneSourceManager::Library {
    decltype(&sane_init) init = nullptr;
    decltype(&sane_exit) exit = nullptr;
    decltype(&sane_get_devices) getDevices = nullptr;
    decltype(&sane_open) open = nullptr;
    decltype(&sane_close) close = nullptr;
    decltype(&sane_get_parameters) getParameters = nullptr;
    decltype(&sane_start) start = nullptr;
    decltype(&sane_read) read = nullptr;
    decltype(&sane_cancel) cancel = nullptr;
};

CSaneSourceManager::CSaneSourceManager(Callbacks callbacks, std::string library, ImageLimits limits)
    : m_callbacks(std::move(callbacks)), m_libraryName(std::move(library)), m_limits(limits) {}

CSaneSourceManager::~CSaneSourceManager() {
    Stop();
    if (m_lib && (m_handle || m_initialised))
        Post([this] {
            if (m_handle) m_lib->close(m_handle);
            if (m_initialised) m_lib->exit();
        });
    // The tasks still queued (a stopped scan, the closing above) run before the worker ends.
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(m_taskMutex);
            m_quit = true;
        }
        m_taskReady.notify_one();
        m_worker.join();
    }
}

// --- The worker thread ---------------------------------------------------------------------------

void CSaneSourceManager::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_taskMutex);
        m_tasks.push_back(std::move(task));
    }
    if (!m_worker.joinable()) m_worker = std::thread([this] { RunTasks(); });
    m_taskReady.notify_one();
}

void CSaneSourceManager::RunTasks() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_taskMutex);
            m_taskReady.wait(lock, [this] { return m_quit || !m_tasks.empty(); });
            if (m_tasks.empty()) return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

template <typename R>
void CSaneSourceManager::Await(std::string_view what, std::future<R>& result) {
    auto finished = [&result] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    if (m_callbacks.wait && !finished()) m_callbacks.wait(what, finished);
    result.wait();
}

template <typename F>
auto CSaneSourceManager::OnWorker(std::string_view what, F f) {
    using R = decltype(f());
    auto task = std::make_shared<std::packaged_task<R()>>(std::move(f));
    std::future<R> result = task->get_future();
    Post([task] { (*task)(); });
    Await(what, result);
    return result.get();
}

void CSaneSourceManager::WaitForScan() {
    if (!m_scanDone.valid()) return;
    Await(kClosingText, m_scanDone);
    m_scanDone.get();
}

// --- The manager's operations --------------------------------------------------------------------

bool CSaneSourceManager::LoadLibrary() {
    if (m_lib) return true;
    // Never closed: backends leave threads and exit handlers behind that must not lose their code.
    void* handle = ::dlopen(m_libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "lumaprism: %s\n", why ? why : (m_libraryName + " cannot be loaded").c_str());
        return false;
    }
    auto lib = std::make_unique<Library>();
    if (!(BindSymbol(handle, "sane_init", lib->init) && BindSymbol(handle, "sane_exit", lib->exit) &&
          BindSymbol(handle, "sane_get_devices", lib->getDevices) && BindSymbol(handle, "sane_open", lib->open) &&
          BindSymbol(handle, "sane_close", lib->close) && BindSymbol(handle, "sane_get_parameters", lib->getParameters) &&
          BindSymbol(handle, "sane_start", lib->start) && BindSymbol(handle, "sane_read", lib->read) &&
          BindSymbol(handle, "sane_cancel", lib->cancel))) {
        std::fprintf(stderr, "lumaprism: %s lacks an entry point this program uses\n", m_libraryName.c_str());
        return false;
    }
    m_lib = std::move(lib);
    return true;
}

// The library stays mapped (see LoadLibrary); the next command finds it loaded.
void CSaneSourceManager::UnloadLibrary() {}

int CSaneSourceManager::OpenManager(const TwainIdentity&) {
    if (!m_lib) {
        m_managerCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    // Backends probe their buses and networks here too.
    return OnWorker(kLookingText, [this] {
        SANE_Int version = 0;
        const SANE_Status status = m_lib->init(&version, nullptr);
        if (status != SANE_STATUS_GOOD) {
            m_managerCondition = int(status);
            return twrc::kFailure;
        }
        m_initialised = true;
        return twrc::kSuccess;
    });
}

int CSaneSourceManager::CloseManager() {
    if (!m_initialised || m_handle) {
        m_managerCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    OnWorker(kClosingText, [this] {
        m_lib->exit();
        m_initialised = false;
    });
    return twrc::kSuccess;
}

std::vector<ScanDevice> CSaneSourceManager::ListDevices() {
    std::vector<ScanDevice> devices;
    if (!m_initialised) return devices;
    const SANE_Device** list = nullptr;
    if (m_lib->getDevices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return devices;
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    for (const SANE_Device** d = list; *d; ++d)
        devices.push_back({text((*d)->name), text((*d)->vendor), text((*d)->model), text((*d)->type)});
    return devices;
}

std::vector<ScanDevice> CSaneSourceManager::Devices() {
    if (!m_initialised) return {};
    return OnWorker(kLookingText, [this] { return ListDevices(); });
}

std::optional<ScanDevice> CSaneSourceManager::DefaultDevice(const std::vector<ScanDevice>& devices) const {
    if (devices.empty()) return std::nullopt;
    const char* variable = std::getenv(kDefaultDeviceVariable);
    for (const std::string_view wanted : {std::string_view(m_lastChosen), std::string_view(variable ? variable : "")}) {
        if (wanted.empty()) continue;
        for (const ScanDevice& d : devices)
            if (d.name == wanted) return d;
    }
    return devices.front();
}

namespace {

TwainIdentity IdentityOf(const ScanDevice& device) {
    TwainIdentity id;
    id.productName = device.name;
    id.manufacturer = device.vendor;
    id.productFamily = device.model;
    id.info = device.type;
    return id;
}

}  // namespace

int CSaneSourceManager::GetDefaultSource(TwainIdentity& source) {
    const std::optional<ScanDevice> device = DefaultDevice(Devices());
    if (!device) {
        m_managerCondition = twcc::kNoSource;
        return twrc::kFailure;
    }
    source = IdentityOf(*device);
    return twrc::kSuccess;
}

int CSaneSourceManager::UserSelect(TwainIdentity& source) {
    if (!m_initialised || !m_callbacks.choose) {
        m_managerCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    const std::vector<ScanDevice> devices = Devices();
    // The choice is the caller's, on its own thread: no SANE call waits for the user.
    const std::optional<std::size_t> chosen =
        m_callbacks.choose(devices, InitialDeviceChoice(devices, source.productName));
    if (!chosen || *chosen >= devices.size()) return twrc::kCancel;
    source = IdentityOf(devices[*chosen]);
    m_lastChosen = devices[*chosen].name;
    return twrc::kSuccess;
}

int CSaneSourceManager::OpenSource(TwainIdentity& source) {
    if (!m_initialised || m_handle) {
        m_managerCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    return OnWorker(kOpeningText, [this, wanted = source.productName] {
        std::string name = wanted;
        if (name.empty()) {
            const std::optional<ScanDevice> device = DefaultDevice(ListDevices());
            if (!device) {
                m_managerCondition = twcc::kNoSource;
                return twrc::kFailure;
            }
            name = device->name;
        }
        SANE_Handle handle = nullptr;
        const SANE_Status status = m_lib->open(name.c_str(), &handle);
        if (status != SANE_STATUS_GOOD || !handle) {
            m_managerCondition = status != SANE_STATUS_GOOD ? int(status) : twcc::kBummer;
            return twrc::kFailure;
        }
        std::lock_guard lock(m_mutex);
        m_handle = handle;
        m_sourceCondition = 0;
        return twrc::kSuccess;
    });
}

int CSaneSourceManager::CloseSource(const TwainIdentity&) {
    if (!m_handle) {
        m_managerCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    WaitForScan();
    OnWorker(kClosingText, [this] {
        m_lib->close(m_handle);
        std::lock_guard lock(m_mutex);
        m_handle = nullptr;
    });
    return twrc::kSuccess;
}

// SANE hands every image over in memory: native transfer is all there is.
int CSaneSourceManager::SetNativeTransfer(const TwainIdentity&) {
    if (m_handle) return twrc::kSuccess;
    m_sourceCondition = twcc::kSequenceError;
    return twrc::kFailure;
}

int CSaneSourceManager::EnableSource(const TwainIdentity&, bool, bool) {
    if (!m_handle || m_scanDone.valid()) {
        m_sourceCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    m_stop = false;
    {
        std::lock_guard lock(m_mutex);
        m_outcomes.clear();
    }
    // Not awaited: the scan posts XferReady when it is over.
    auto scan = std::make_shared<std::packaged_task<void()>>([this] { Scan(); });
    m_scanDone = scan->get_future();
    Post([scan] { (*scan)(); });
    return twrc::kSuccess;
}

int CSaneSourceManager::DisableSource(const TwainIdentity&) {
    if (!m_handle) {
        m_sourceCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    Stop();
    WaitForScan();
    std::lock_guard lock(m_mutex);
    m_outcomes.clear();
    return twrc::kSuccess;
}

void CSaneSourceManager::Stop() {
    m_stop = true;
    std::lock_guard lock(m_mutex);
    // sane_cancel may be called while the worker waits in sane_read: that is how a scan is stopped.
    if (m_scanning && m_handle) m_lib->cancel(m_handle);
}

void CSaneSourceManager::Scan() {
    Outcome outcome = ScanImage();
    {
        std::lock_guard lock(m_mutex);
        m_scanning = false;
        m_outcomes.push_back(std::move(outcome));
    }
    // Ends the scan cycle, whatever happened; the device is ready for the next start.
    m_lib->cancel(m_handle);
    if (m_callbacks.post) m_callbacks.post(SourceMessage::XferReady);
}

CSaneSourceManager::Outcome CSaneSourceManager::ScanImage() {
    Outcome outcome;
    auto failed = [&](SANE_Status status) {
        if (status == SANE_STATUS_CANCELLED || m_stop) {
            outcome.returnCode = twrc::kCancel;
        } else {
            outcome.returnCode = twrc::kFailure;
            outcome.condition = int(status);
        }
        return std::move(outcome);
    };
    auto lowMemory = [&] {
        outcome.returnCode = m_stop ? twrc::kCancel : twrc::kFailure;
        outcome.condition = twcc::kLowMemory;
        return std::move(outcome);
    };
    {
        std::lock_guard lock(m_mutex);
        m_scanning = true;
    }
    if (m_stop) return failed(SANE_STATUS_CANCELLED);

    Picture picture;
    int bitsPerPixel = 24;
    std::vector<SANE_Byte> chunk(64 * 1024);
    try {
        for (int pass = 0;; ++pass) {
            SANE_Status status = m_lib->start(m_handle);
            if (status != SANE_STATUS_GOOD) return failed(status);
            SANE_Parameters p{};
            status = m_lib->getParameters(m_handle, &p);
            if (status != SANE_STATUS_GOOD) return failed(status);
            const ScanFrameFormat frame{int(p.format), p.last_frame != 0, p.bytes_per_line, p.pixels_per_line,
                                        p.lines, p.depth};
            if (!CheckScanFrame(frame).empty()) return failed(SANE_STATUS_UNSUPPORTED);
            if (frame.lines > 0) CheckImageSize(frame.pixelsPerLine, frame.lines, m_limits);
            // Whole rows are stored as they arrive; a picture of unknown height grows by copying.
            const std::size_t bpl = std::size_t(frame.bytesPerLine);
            const std::uint64_t maxRows = frame.lines > 0 ? std::uint64_t(frame.lines)
                                                          : m_limits.maxPixels / std::uint64_t(frame.pixelsPerLine);
            std::vector<std::uint8_t> pendingBytes;
            std::vector<std::uint8_t> rowsOfUnknownHeight;
            if (pass == 0 && frame.lines > 0) picture.Create(frame.pixelsPerLine, frame.lines);
            if (pass > 0 && (picture.Width() != frame.pixelsPerLine ||
                             (frame.lines > 0 && picture.Height() != frame.lines)))
                return failed(SANE_STATUS_INVAL);
            int rowsDone = 0;
            for (;;) {
                SANE_Int length = 0;
                status = m_lib->read(m_handle, chunk.data(), SANE_Int(chunk.size()), &length);
                if (status == SANE_STATUS_EOF) break;
                if (status != SANE_STATUS_GOOD) return failed(status);
                if (m_stop) return failed(SANE_STATUS_CANCELLED);
                pendingBytes.insert(pendingBytes.end(), chunk.begin(), chunk.begin() + std::max<SANE_Int>(length, 0));
                int whole = int(pendingBytes.size() / bpl);
                if (whole == 0) continue;
                const bool beyond = std::uint64_t(rowsDone) + std::uint64_t(whole) > maxRows;
                if (beyond && frame.lines < 0) return lowMemory();
                // More rows than announced: the announced image is complete.
                if (beyond) whole = int(maxRows - std::uint64_t(rowsDone));
                const std::span<const std::uint8_t> rows(pendingBytes.data(), std::size_t(whole) * bpl);
                if (frame.lines > 0 || pass > 0)
                    StoreScanRows(frame, rows, rowsDone, whole, picture);
                else
                    rowsOfUnknownHeight.insert(rowsOfUnknownHeight.end(), rows.begin(), rows.end());
                pendingBytes.erase(pendingBytes.begin(), pendingBytes.begin() + std::ptrdiff_t(rows.size()));
                rowsDone += whole;
                if (m_callbacks.progress) m_callbacks.progress(rowsDone, frame.lines);
                if (beyond) break;
            }
            // A stopped scan may end as if complete: its image is not.
            if (m_stop) return failed(SANE_STATUS_CANCELLED);
            if (pass == 0 && frame.lines < 0) {
                if (rowsDone == 0) return failed(SANE_STATUS_EOF);
                CheckImageSize(frame.pixelsPerLine, rowsDone, m_limits);
                picture.Create(frame.pixelsPerLine, rowsDone);
                StoreScanRows(frame, rowsOfUnknownHeight, 0, rowsDone, picture);
            }
            if (frame.format == SANE_FRAME_GRAY) bitsPerPixel = frame.depth == 1 ? 1 : 8;
            if (frame.lastFrame) break;
        }
    } catch (const InnerError&) {
        return lowMemory();
    } catch (const ImpExpException&) {
        return lowMemory();
    } catch (const std::bad_alloc&) {
        return lowMemory();
    }
    outcome.returnCode = twrc::kXferDone;
    outcome.image.picture = std::move(picture);
    outcome.image.bitsPerPixel = bitsPerPixel;
    return outcome;
}

int CSaneSourceManager::NativeTransfer(const TwainIdentity&, NativeImage& image) {
    std::lock_guard lock(m_mutex);
    if (m_outcomes.empty()) {
        m_sourceCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    Outcome& outcome = m_outcomes.front();
    m_sourceCondition = outcome.condition;
    const int rc = outcome.returnCode;
    if (rc == twrc::kXferDone) image = std::move(outcome.image);
    return rc;
}

int CSaneSourceManager::EndTransfer(const TwainIdentity&, int& pending) {
    std::lock_guard lock(m_mutex);
    if (m_outcomes.empty()) {
        m_sourceCondition = twcc::kSequenceError;
        return twrc::kFailure;
    }
    m_outcomes.pop_front();
    pending = int(m_outcomes.size());
    return twrc::kSuccess;
}

int CSaneSourceManager::GetCondition(const TwainIdentity* source, int& condition) {
    condition = source ? m_sourceCondition : m_managerCondition;
    return twrc::kSuccess;
}

}  // namespace lp
