#pragma once
#include "imaging/picture.h"

#include <cstdint>
#include <string>

namespace lp {

/// Return codes of the source manager's operations (the numbers users see after "Return Code:").
namespace twrc {
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kCheckStatus = 2;
inline constexpr int kCancel = 3;
inline constexpr int kDsEvent = 4;
inline constexpr int kNotDsEvent = 5;
inline constexpr int kXferDone = 6;
inline constexpr int kEndOfList = 7;
}  // namespace twrc

/// Condition codes (after "Condition Code:"); a manager may report its own beyond these.
namespace twcc {
inline constexpr int kSuccess = 0;
inline constexpr int kBummer = 1;
inline constexpr int kLowMemory = 2;
inline constexpr int kNoSource = 3;
inline constexpr int kSequenceError = 11;
/// Shown when the status request itself fails.
inline constexpr int kStatusUnknown = 65535;
}  // namespace twcc

/// Who an application or a source says it is.
struct TwainIdentity {
    std::uint32_t id = 0;
    int majorNum = 0;
    int minorNum = 0;
    int language = 0;
    int country = 0;
    std::string info;
    int protocolMajor = 0;
    int protocolMinor = 0;
    std::uint32_t supportedGroups = 0;
    std::string manufacturer;
    std::string productFamily;
    /// For a source: the name the manager opens it by.
    std::string productName;
    friend bool operator==(const TwainIdentity&, const TwainIdentity&) = default;
};

/// What the program tells every manager call it is.
TwainIdentity ApplicationIdentity();

/// What a source posts to the program while it is enabled.
enum class SourceMessage { XferReady, CloseDsRequest };

/// One image of a native transfer. A palette-based bitmap arrives with the colours of its colour
/// table already in the picture; bitsPerPixel says what the source delivered.
struct NativeImage {
    Picture picture;
    int bitsPerPixel = 24;
};

/// The operations the connector asks of a source manager, one per manager call it makes. Each
/// returns a return code (twrc); failures leave a condition code for GetCondition.
class TwainSourceManager {
public:
    virtual ~TwainSourceManager() = default;

    /// Finds and loads the manager's library; false when it is missing or lacks its entry point.
    virtual bool LoadLibrary() = 0;
    virtual void UnloadLibrary() = 0;

    virtual int OpenManager(const TwainIdentity& application) = 0;
    virtual int CloseManager() = 0;
    virtual int GetDefaultSource(TwainIdentity& source) = 0;
    /// Lets the user choose a source, starting at the one in source; twrc::kCancel when they do not.
    virtual int UserSelect(TwainIdentity& source) = 0;
    virtual int OpenSource(TwainIdentity& source) = 0;
    virtual int CloseSource(const TwainIdentity& source) = 0;
    /// Sets the transfer mechanism to native (a one-value capability of value 0).
    virtual int SetNativeTransfer(const TwainIdentity& source) = 0;
    /// Enables the source; from then on it posts SourceMessage values to the connector.
    virtual int EnableSource(const TwainIdentity& source, bool showUserInterface, bool modal) = 0;
    virtual int DisableSource(const TwainIdentity& source) = 0;
    /// One native transfer: twrc::kXferDone with the image, twrc::kCancel, or a failure.
    virtual int NativeTransfer(const TwainIdentity& source, NativeImage& image) = 0;
    /// Ends the transfer; pending receives the number of transfers still pending.
    virtual int EndTransfer(const TwainIdentity& source, int& pending) = 0;
    /// The condition code of the last failure: of the source when one is given, else of the manager.
    virtual int GetCondition(const TwainIdentity* source, int& condition) = 0;
};

}  // namespace lp
