#pragma once
#include "imaging/image_size.h"
#include "imaging/picture.h"
#include "shell/twain_source_manager.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lp {

/// One scanner or camera as SANE lists it.
struct ScanDevice {
    std::string name;  // what SANE opens it by, "test:0"
    std::string vendor;
    std::string model;
    std::string type;
    friend bool operator==(const ScanDevice&, const ScanDevice&) = default;
};

/// The line the source list shows for a device: "Vendor Model (name)", without what SANE left empty.
std::string ScanDeviceLabel(const ScanDevice& device);
/// Where the choice starts: the device called name, else the first one; 0 for an empty list too.
std::size_t InitialDeviceChoice(std::span<const ScanDevice> devices, std::string_view name);

/// The layout of one frame as the device reports it. format takes SANE's frame values:
/// 0 grey, 1 interleaved red/green/blue, 2 red, 3 green, 4 blue (one pass each).
struct ScanFrameFormat {
    int format = 0;
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    int lines = -1;  // -1: not known until the data ends (hand scanners)
    int depth = 8;   // bits per sample: 1, 8 or 16
};

/// Empty when the frame can be read; else why not (an unknown format or depth, lines shorter
/// than their pixels need).
std::string CheckScanFrame(const ScanFrameFormat& frame);
/// Writes rows [firstRow, firstRow + rows) of a frame checked by CheckScanFrame into the picture
/// (counted from the top; rows and columns outside the picture are left alone). data holds those
/// rows, bytesPerLine each. Grey samples go to every channel, a one-colour pass to its channel;
/// 1-bit samples of 1 are black, 16-bit samples (host order) keep their high byte.
void StoreScanRows(const ScanFrameFormat& frame, std::span<const std::uint8_t> data, int firstRow, int rows,
                   Picture& picture);

/// The source manager on SANE. The library is opened on first use, so a machine without it
/// runs the program and only scanning says the library is missing. Sources are SANE devices;
/// choosing one is the caller's dialog; an enabled source scans one image on a worker thread
/// and posts XferReady when it is done, failed or stopped.
///
/// Backends may take seconds to list or open a network or USB device, and SANE does not promise
/// they may be called from several threads: every SANE call of the manager runs in turn on its
/// one worker thread (the Stop button's sane_cancel aside, which SANE allows from anywhere). The
/// caller's thread waits for each call through Callbacks::wait, free to keep its window alive.
class CSaneSourceManager final : public TwainSourceManager {
public:
    struct Callbacks {
        /// The user's choice among the devices, starting at initial; none when they cancel.
        std::function<std::optional<std::size_t>(std::span<const ScanDevice> devices, std::size_t initial)> choose;
        /// Called on the worker thread: the caller passes it on to its own thread.
        std::function<void(SourceMessage)> post;
        /// Called on the worker thread with the rows read and the rows expected (-1: unknown).
        std::function<void(int rows, int lines)> progress;
        /// Called on the caller's thread while a SANE call runs on the worker: what says what is
        /// going on, finished whether it is over. It returns when finished() holds, or sooner (the
        /// manager then blocks for the rest). Unset: the caller just blocks.
        std::function<void(std::string_view what, const std::function<bool()>& finished)> wait;
    };
    static constexpr const char* kLookingText = "Looking for scanners...";
    static constexpr const char* kOpeningText = "Opening the scanner...";
    static constexpr const char* kClosingText = "Closing the scanner...";
    static constexpr const char* kDefaultLibrary = "libsane.so.1";
    /// The device Acquire uses when none was chosen yet, after the one chosen last in this run.
    static constexpr const char* kDefaultDeviceVariable = "SANE_DEFAULT_DEVICE";

    explicit CSaneSourceManager(Callbacks callbacks, std::string library = kDefaultLibrary,
                                ImageLimits limits = {});
    ~CSaneSourceManager() override;

    bool LoadLibrary() override;
    void UnloadLibrary() override;
    int OpenManager(const TwainIdentity& application) override;
    int CloseManager() override;
    int GetDefaultSource(TwainIdentity& source) override;
    int UserSelect(TwainIdentity& source) override;
    int OpenSource(TwainIdentity& source) override;
    int CloseSource(const TwainIdentity& source) override;
    int SetNativeTransfer(const TwainIdentity& source) override;
    int EnableSource(const TwainIdentity& source, bool showUserInterface, bool modal) override;
    int DisableSource(const TwainIdentity& source) override;
    int NativeTransfer(const TwainIdentity& source, NativeImage& image) override;
    int EndTransfer(const TwainIdentity& source, int& pending) override;
    int GetCondition(const TwainIdentity* source, int& condition) override;

    /// The Stop button: ends the scan under way (the transfer then reports a cancel). Safe from
    /// any thread while the source is enabled.
    void Stop();
    /// The devices SANE lists now (the manager must be open).
    std::vector<ScanDevice> Devices();

private:
    struct Library;
    struct Outcome {
        int returnCode = 0;
        int condition = 0;
        NativeImage image;
    };
    std::optional<ScanDevice> DefaultDevice(const std::vector<ScanDevice>& devices) const;
    /// On the worker thread: what sane_get_devices lists.
    std::vector<ScanDevice> ListDevices();
    void Scan();
    Outcome ScanImage();
    /// Queues a task for the worker thread (started on first use).
    void Post(std::function<void()> task);
    /// Runs f on the worker thread; the caller waits through Callbacks::wait.
    template <typename F>
    auto OnWorker(std::string_view what, F f);
    template <typename R>
    void Await(std::string_view what, std::future<R>& result);
    /// Waits for the scan enabled last to end, if any.
    void WaitForScan();
    void RunTasks();

    Callbacks m_callbacks;
    std::string m_libraryName;
    ImageLimits m_limits;
    std::unique_ptr<Library> m_lib;
    bool m_initialised = false;
    void* m_handle = nullptr;  // the open device; written on the worker under m_mutex
    std::string m_lastChosen;
    int m_managerCondition = 0;
    int m_sourceCondition = 0;
    std::future<void> m_scanDone;  // valid from EnableSource until the scan's end was awaited
    std::atomic<bool> m_stop{false};
    std::mutex m_taskMutex;  // guards m_tasks and m_quit
    std::condition_variable m_taskReady;
    std::deque<std::function<void()>> m_tasks;
    bool m_quit = false;
    std::thread m_worker;  // runs m_tasks: every SANE call but the Stop button's
    std::mutex m_mutex;    // guards m_outcomes, m_scanning and m_handle
    std::deque<Outcome> m_outcomes;
    bool m_scanning = false;  // between sane_start and sane_cancel on the worker
};

}  // namespace lp
