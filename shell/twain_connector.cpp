#include "shell/twain_connector.h"

#include "base/printf_text.h"
#include "imaging/palette_map.h"

#include <utility>

namespace lp {

TwainIdentity ApplicationIdentity() {
    TwainIdentity id;
    id.id = 0;
    id.majorNum = 1;
    id.minorNum = 5;
    id.language = 13;  // English, USA
    id.country = 1;    // USA
    id.info = "TWAIN App Interface 1.0";
    id.protocolMajor = 1;
    id.protocolMinor = 5;
    id.supportedGroups = 3;  // control and image
    id.manufacturer = "Halvard Imaging Team";
    id.productFamily = "TWAIN Toolkit";
    id.productName = "Lumaprism";
    return id;
}

Palette EightEightFourPalette() {
    Palette palette;
    palette.SetName("8-8-4");
    for (int r = 0; r < 8; ++r)
        for (int g = 0; g < 8; ++g)
            for (int b = 0; b < 4; ++b)
                palette.AddEntry(MakeColour(std::uint8_t(r * 255 / 7), std::uint8_t(g * 255 / 7), std::uint8_t(b * 255 / 3)),
                                 {});
    return palette;
}

CTwainConnector::CTwainConnector(std::unique_ptr<TwainSourceManager> manager, Prompter& prompter,
                                 std::function<void(Picture)> onAcquired)
    : m_manager(std::move(manager)),
      m_prompter(prompter),
      m_onAcquired(std::move(onAcquired)),
      m_application(ApplicationIdentity()) {}

CTwainConnector::~CTwainConnector() {
    // A scan still running at exit is stopped; nothing is shown any more.
    if (m_sourceEnabled) m_manager->DisableSource(m_source);
    if (m_sourceOpen) m_manager->CloseSource(m_source);
    if (m_managerOpen) m_manager->CloseManager();
    if (m_libraryLoaded) m_manager->UnloadLibrary();
}

std::string CTwainConnector::WithCodes(std::string_view message, int condition, int returnCode) {
    return PrintfText("%.*s\n%s %d\n%s %d", int(message.size()), message.data(), "Condition Code:", condition,
                      "Return Code:", returnCode);
}

void CTwainConnector::Error(std::string_view text) { m_prompter.Message(text, kErrorCaption, PromptIcon::Stop); }

int CTwainConnector::Condition(bool ofSource) {
    int condition = 0;
    if (m_manager->GetCondition(ofSource ? &m_source : nullptr, condition) != twrc::kSuccess)
        return twcc::kStatusUnknown;
    return condition;
}

void CTwainConnector::ErrorWithCodes(std::string_view text, bool ofSource, int returnCode) {
    Error(WithCodes(text, Condition(ofSource), returnCode));
}

bool CTwainConnector::OpenManager() {
    if (m_managerOpen) return true;
    if (!m_libraryLoaded) {
        if (!m_manager->LoadLibrary()) {
            Error(kLibraryMissing);
            return false;
        }
        m_libraryLoaded = true;
    }
    const int rc = m_manager->OpenManager(m_application);
    if (rc != twrc::kSuccess) {
        ErrorWithCodes(kCantOpenManager, false, rc);
        return true;  // the library is there: the caller goes on and reports what it cannot do
    }
    m_managerOpen = true;
    return true;
}

void CTwainConnector::CloseManager() {
    if (!m_managerOpen || m_sourceOpen) return;
    if (m_manager->CloseManager() != twrc::kSuccess) {
        Error(kCantCloseManager);
        return;
    }
    m_managerOpen = false;
    m_manager->UnloadLibrary();
    m_libraryLoaded = false;
}

bool CTwainConnector::OpenSource() {
    if (!m_managerOpen) {
        Error(kManagerNotOpen);
        return false;
    }
    const int rc = m_manager->OpenSource(m_source);
    if (rc == twrc::kSuccess) {
        m_sourceOpen = true;
        return true;
    }
    if (rc == twrc::kFailure)
        ErrorWithCodes(kCantOpenSource, false, rc);
    else
        Error(kUnknownReturnCode);
    return false;
}

void CTwainConnector::CloseSource() {
    if (!m_sourceOpen) return;
    if (m_manager->CloseSource(m_source) != twrc::kSuccess) {
        Error(kCantCloseSource);
        return;
    }
    m_sourceOpen = false;
    m_sourceEnabled = false;
}

void CTwainConnector::DisableSource() {
    if (!m_sourceEnabled) return;
    if (m_manager->DisableSource(m_source) != twrc::kSuccess) {
        Error(kCantDisable);
        return;
    }
    m_sourceEnabled = false;
}

void CTwainConnector::SelectSource() {
    if (!OpenManager()) return;
    if (!m_managerOpen) return;
    if (m_sourceOpen) {
        Error(kSourceAlreadyOpen);
    } else {
        TwainIdentity chosen;
        m_manager->GetDefaultSource(chosen);
        const int rc = m_manager->UserSelect(chosen);
        if (rc == twrc::kSuccess) {
            m_source = chosen;
            m_source.id = 0;
        } else if (rc != twrc::kCancel) {
            ErrorWithCodes(kCantSelect, false, rc);
        }
    }
    CloseManager();
}

void CTwainConnector::Acquire() {
    if (!OpenManager()) return;
    m_lastImage.reset();
    if (!OpenSource()) {
        CloseManager();
        return;
    }
    bool ready = false;
    const int rc = m_manager->SetNativeTransfer(m_source);
    if (rc != twrc::kSuccess) {
        ErrorWithCodes(kCommunicationError, true, rc);
    } else if (m_manager->EnableSource(m_source, true, false) != twrc::kSuccess) {
        Error(kCantEnable);
    } else {
        m_sourceEnabled = true;
        ready = true;
    }
    if (ready) return;  // the source now posts its messages
    DisableSource();
    CloseSource();
    CloseManager();
}

void CTwainConnector::OnSourceMessage(SourceMessage message) {
    if (!m_sourceEnabled) return;
    if (message == SourceMessage::XferReady) {
        TransferImages();
        return;
    }
    DisableSource();
    CloseSource();
    CloseManager();
}

Picture CTwainConnector::ToPicture(NativeImage image) const {
    if (image.bitsPerPixel == 24 && m_paletteDisplay && !image.picture.IsEmpty())
        ConvertToPalette(image.picture, EightEightFourPalette());
    return std::move(image.picture);
}

void CTwainConnector::TransferImages() {
    int pending = 0;
    do {
        NativeImage image;
        const int rc = m_manager->NativeTransfer(m_source, image);
        if (rc == twrc::kXferDone)
            m_lastImage = ToPicture(std::move(image));
        else if (rc == twrc::kCancel)
            Error(kAcquireCanceled);
        else if (rc == twrc::kFailure)
            ErrorWithCodes(kCommunicationError, true, rc);
        else
            Error(kUnknownReturnCode);
        if (m_manager->EndTransfer(m_source, pending) != twrc::kSuccess) {
            Error(kCommunicationError);
            // The count is unknown now; asking again could go on for ever.
            break;
        }
    } while (pending != 0);
    DisableSource();
    CloseSource();
    CloseManager();
    if (m_lastImage && !m_lastImage->IsEmpty() && m_onAcquired) {
        Picture picture = std::move(*m_lastImage);
        m_lastImage.reset();
        m_onAcquired(std::move(picture));
    }
}

}  // namespace lp
