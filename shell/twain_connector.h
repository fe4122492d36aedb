#pragma once
#include "base/prompter.h"
#include "shell/twain_source_manager.h"
#include "tools/palette.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lp {

/// The program's one way to scanners and cameras: chooses a source and acquires images from it
/// through a source manager, reporting every failure in a message box. The application creates
/// it on the first scan command and keeps it for the rest of the run.
class CTwainConnector {
public:
    static constexpr const char* kErrorCaption = "TWAIN Interface Error";
    static constexpr const char* kLibraryMissing = "Error Opening Library TWAIN.DLL";
    static constexpr const char* kCantOpenManager = "Can't open Source Manager";
    static constexpr const char* kCantCloseManager = "Can't close Source Manager";
    static constexpr const char* kSourceAlreadyOpen =
        "A Source is already open\nClose Source before Selecting a New Source";
    static constexpr const char* kCantSelect = "Can't select source";
    static constexpr const char* kManagerNotOpen = "Cannot Open Source\nSource Manager is not Open";
    static constexpr const char* kCantOpenSource = "Can't open source";
    static constexpr const char* kUnknownReturnCode = "Unknown Return Code";
    static constexpr const char* kCommunicationError = "Error during communication with source";
    static constexpr const char* kCantEnable = "Can't enable source";
    static constexpr const char* kCantDisable = "Can't disable source";
    static constexpr const char* kCantCloseSource = "Can't close source";
    static constexpr const char* kAcquireCanceled = "Acquire was canceled";

    /// onAcquired receives the image of a finished acquisition (on the caller's thread of
    /// OnSourceMessage); it makes the new document.
    CTwainConnector(std::unique_ptr<TwainSourceManager> manager, Prompter& prompter,
                    std::function<void(Picture)> onAcquired);
    ~CTwainConnector();
    CTwainConnector(const CTwainConnector&) = delete;
    CTwainConnector& operator=(const CTwainConnector&) = delete;

    /// "Select Source".
    void SelectSource();
    /// "Scan Acquire" up to the enabled source; the images follow through OnSourceMessage.
    void Acquire();
    /// A message the enabled source posted (messages while no source is enabled are dropped).
    void OnSourceMessage(SourceMessage message);

    /// Whether the display shows 256 colours at most: 24-bit images are then mapped onto the
    /// fixed 8 x 8 x 4 palette the program realises for them.
    void SetPaletteDisplay(bool paletteDisplay) { m_paletteDisplay = paletteDisplay; }

    bool ManagerOpen() const { return m_managerOpen; }
    bool SourceOpen() const { return m_sourceOpen; }
    bool SourceEnabled() const { return m_sourceEnabled; }
    const TwainIdentity& Source() const { return m_source; }
    TwainSourceManager& Manager() { return *m_manager; }

    /// "%s\n%s %d\n%s %d": the message with its condition and return codes.
    static std::string WithCodes(std::string_view message, int condition, int returnCode);

private:
    bool OpenManager();
    void CloseManager();
    bool OpenSource();
    void CloseSource();
    void DisableSource();
    void TransferImages();
    /// Condition code of the last failure (65535 when the status request fails).
    int Condition(bool ofSource);
    void Error(std::string_view text);
    void ErrorWithCodes(std::string_view text, bool ofSource, int returnCode);
    Picture ToPicture(NativeImage image) const;

    std::unique_ptr<TwainSourceManager> m_manager;
    Prompter& m_prompter;
    std::function<void(Picture)> m_onAcquired;
    const TwainIdentity m_application;
    TwainIdentity m_source;  // all zero until a source is chosen
    bool m_libraryLoaded = false;
    bool m_managerOpen = false;
    bool m_sourceOpen = false;
    bool m_sourceEnabled = false;
    bool m_paletteDisplay = false;
    std::optional<Picture> m_lastImage;
};

/// The fixed 256-colour palette realised for 24-bit images on palette displays: 8 red x 8 green x
/// 4 blue levels spread evenly over 0..255, index red * 32 + green * 4 + blue.
Palette EightEightFourPalette();

}  // namespace lp
