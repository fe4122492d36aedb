// The scanning connector against a scripted source manager: the order of the manager calls, the
// messages and which image becomes the new picture.
#include "shell/twain_connector.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace lp {
namespace {

using Calls = std::vector<std::string>;

struct Script {
    bool libraryPresent = true;
    int openManager = twrc::kSuccess;
    int closeManager = twrc::kSuccess;
    int userSelect = twrc::kSuccess;
    std::string selectName = "Flatbed";
    int openSource = twrc::kSuccess;
    int closeSource = twrc::kSuccess;
    int setNative = twrc::kSuccess;
    int enable = twrc::kSuccess;
    int disable = twrc::kSuccess;
    int endTransfer = twrc::kSuccess;
    int statusRequest = twrc::kSuccess;
    int managerCondition = 0;
    int sourceCondition = 0;
    /// Return codes of the native transfers in order; an image is as wide as its position + 1.
    std::vector<int> transfers;
    int bitsPerPixel = 24;
    ColourRef imageColour = MakeColour(100, 150, 200);
};

class FakeManager final : public TwainSourceManager {
public:
    FakeManager(Script script, Calls& calls) : s(std::move(script)), m_calls(calls) {}
    Script s;
    TwainIdentity openedWith;
    std::vector<std::string> openedSources;

    bool LoadLibrary() override {
        m_calls.push_back("LoadLibrary");
        return s.libraryPresent;
    }
    void UnloadLibrary() override { m_calls.push_back("UnloadLibrary"); }
    int OpenManager(const TwainIdentity& application) override {
        openedWith = application;
        return Call("OpenManager", s.openManager);
    }
    int CloseManager() override { return Call("CloseManager", s.closeManager); }
    int GetDefaultSource(TwainIdentity& source) override {
        source.productName = "Default device";
        return Call("GetDefaultSource", twrc::kSuccess);
    }
    int UserSelect(TwainIdentity& source) override {
        if (s.userSelect == twrc::kSuccess) {
            source.productName = s.selectName;
            source.id = 77;
        }
        return Call("UserSelect", s.userSelect);
    }
    int OpenSource(TwainIdentity& source) override {
        openedSources.push_back(source.productName);
        return Call("OpenSource", s.openSource);
    }
    int CloseSource(const TwainIdentity&) override { return Call("CloseSource", s.closeSource); }
    int SetNativeTransfer(const TwainIdentity&) override { return Call("SetNativeTransfer", s.setNative); }
    int EnableSource(const TwainIdentity&, bool showUi, bool modal) override {
        EXPECT_TRUE(showUi);
        EXPECT_FALSE(modal);
        return Call("EnableSource", s.enable);
    }
    int DisableSource(const TwainIdentity&) override { return Call("DisableSource", s.disable); }
    int NativeTransfer(const TwainIdentity&, NativeImage& image) override {
        const int rc = m_next < s.transfers.size() ? s.transfers[m_next] : twrc::kFailure;
        if (rc == twrc::kXferDone) {
            image.picture.Create(int(m_next) + 1, 2);
            image.picture.Fill(s.imageColour);
            image.bitsPerPixel = s.bitsPerPixel;
        }
        return Call("NativeTransfer", rc);
    }
    int EndTransfer(const TwainIdentity&, int& pending) override {
        ++m_next;
        pending = int(s.transfers.size() - std::min(m_next, s.transfers.size()));
        return Call("EndTransfer", s.endTransfer);
    }
    int GetCondition(const TwainIdentity* source, int& condition) override {
        condition = source ? s.sourceCondition : s.managerCondition;
        return Call(source ? "GetCondition(source)" : "GetCondition(manager)", s.statusRequest);
    }

private:
    int Call(const char* name, int rc) {
        m_calls.push_back(name);
        return rc;
    }
    Calls& m_calls;
    std::size_t m_next = 0;
};

struct Harness {
    explicit Harness(Script script) {
        auto manager = std::make_unique<FakeManager>(std::move(script), calls);
        fake = manager.get();
        connector = std::make_unique<CTwainConnector>(std::move(manager), prompter,
                                                      [this](Picture p) { acquired.push_back(std::move(p)); });
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : prompter.Messages()) {
            EXPECT_EQ(m.caption, "TWAIN Interface Error");
            texts.push_back(m.text);
        }
        return texts;
    }
    Calls calls;
    ScriptedPrompter prompter;
    FakeManager* fake = nullptr;
    std::vector<Picture> acquired;
    std::unique_ptr<CTwainConnector> connector;
};

enum class Run { Select, Acquire, AcquireAndTransfer, AcquireAndCloseRequest };

struct Scenario {
    const char* name;
    Script script;
    Run run;
    std::vector<std::string> messages;
    Calls calls;
    int acquiredWidth;  // 0: no new picture
};

const Calls kLoadAndOpen = {"LoadLibrary", "OpenManager"};

Calls Join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Script With(void (*edit)(Script&)) {
    Script s;
    edit(s);
    return s;
}

const Calls kAcquireStart = {"LoadLibrary", "OpenManager", "OpenSource", "SetNativeTransfer", "EnableSource"};
const Calls kShutDown = {"DisableSource", "CloseSource", "CloseManager", "UnloadLibrary"};

std::vector<Scenario> Scenarios() {
    using namespace twrc;
    return {
        {"MissingLibrarySelect", With([](Script& s) { s.libraryPresent = false; }), Run::Select,
         {"Error Opening Library TWAIN.DLL"}, {"LoadLibrary"}, 0},
        {"MissingLibraryAcquire", With([](Script& s) { s.libraryPresent = false; }), Run::AcquireAndTransfer,
         {"Error Opening Library TWAIN.DLL"}, {"LoadLibrary"}, 0},
        {"SelectChoosesASource", Script{}, Run::Select, {},
         Join({kLoadAndOpen, {"GetDefaultSource", "UserSelect", "CloseManager", "UnloadLibrary"}}), 0},
        {"SelectFailureShowsTheCodes", With([](Script& s) {
             s.userSelect = kFailure;
             s.managerCondition = 3;
         }),
         Run::Select, {"Can't select source\nCondition Code: 3\nReturn Code: 1"},
         Join({kLoadAndOpen,
               {"GetDefaultSource", "UserSelect", "GetCondition(manager)", "CloseManager", "UnloadLibrary"}}),
         0},
        {"FailedStatusRequestShows65535", With([](Script& s) {
             s.userSelect = kFailure;
             s.statusRequest = kFailure;
         }),
         Run::Select, {"Can't select source\nCondition Code: 65535\nReturn Code: 1"}, {}, 0},
        {"ManagerThatWillNotOpen", With([](Script& s) {
             s.openManager = kFailure;
             s.managerCondition = 1;
         }),
         Run::AcquireAndTransfer,
         {"Can't open Source Manager\nCondition Code: 1\nReturn Code: 1",
          "Cannot Open Source\nSource Manager is not Open"},
         {"LoadLibrary", "OpenManager", "GetCondition(manager)"}, 0},
        {"ManagerThatWillNotClose", With([](Script& s) { s.closeManager = kFailure; }), Run::Select,
         {"Can't close Source Manager"}, Join({kLoadAndOpen, {"GetDefaultSource", "UserSelect", "CloseManager"}}),
         0},
        {"SourceThatWillNotOpen", With([](Script& s) {
             s.openSource = kFailure;
             s.managerCondition = 4;
         }),
         Run::AcquireAndTransfer, {"Can't open source\nCondition Code: 4\nReturn Code: 1"},
         {"LoadLibrary", "OpenManager", "OpenSource", "GetCondition(manager)", "CloseManager", "UnloadLibrary"}, 0},
        {"SourceOpenWithAnUnknownCode", With([](Script& s) { s.openSource = kCheckStatus; }), Run::AcquireAndTransfer,
         {"Unknown Return Code"}, {"LoadLibrary", "OpenManager", "OpenSource", "CloseManager", "UnloadLibrary"}, 0},
        {"NativeTransferRefused", With([](Script& s) {
             s.setNative = kFailure;
             s.sourceCondition = 6;
         }),
         Run::AcquireAndTransfer, {"Error during communication with source\nCondition Code: 6\nReturn Code: 1"},
         {"LoadLibrary", "OpenManager", "OpenSource", "SetNativeTransfer", "GetCondition(source)", "CloseSource",
          "CloseManager", "UnloadLibrary"},
         0},
        {"SourceThatWillNotEnable", With([](Script& s) { s.enable = kFailure; }), Run::AcquireAndTransfer,
         {"Can't enable source"}, Join({kAcquireStart, {"CloseSource", "CloseManager", "UnloadLibrary"}}), 0},
        {"EnabledSourceWaitsForItsMessage", Script{}, Run::Acquire, {}, kAcquireStart, 0},
        {"ThreeImagesLeaveTheThird", With([](Script& s) { s.transfers = {kXferDone, kXferDone, kXferDone}; }),
         Run::AcquireAndTransfer, {},
         Join({kAcquireStart,
               {"NativeTransfer", "EndTransfer", "NativeTransfer", "EndTransfer", "NativeTransfer", "EndTransfer"},
               kShutDown}),
         3},
        {"TransferFailure", With([](Script& s) {
             s.transfers = {kFailure};
             s.sourceCondition = 9;
         }),
         Run::AcquireAndTransfer, {"Error during communication with source\nCondition Code: 9\nReturn Code: 1"},
         Join({kAcquireStart, {"NativeTransfer", "GetCondition(source)", "EndTransfer"}, kShutDown}), 0},
        {"TransferCancelled", With([](Script& s) { s.transfers = {kCancel}; }), Run::AcquireAndTransfer,
         {"Acquire was canceled"}, Join({kAcquireStart, {"NativeTransfer", "EndTransfer"}, kShutDown}), 0},
        {"ImageThenCancelKeepsTheImage", With([](Script& s) { s.transfers = {kXferDone, kCancel}; }),
         Run::AcquireAndTransfer, {"Acquire was canceled"}, {}, 1},
        {"UnknownTransferResult", With([](Script& s) { s.transfers = {kEndOfList}; }), Run::AcquireAndTransfer,
         {"Unknown Return Code"}, {}, 0},
        {"FailedEndOfTransferStopsTheLoop", With([](Script& s) {
             s.transfers = {kXferDone, kXferDone};
             s.endTransfer = kFailure;
         }),
         Run::AcquireAndTransfer, {"Error during communication with source"},
         Join({kAcquireStart, {"NativeTransfer", "EndTransfer"}, kShutDown}), 1},
        {"CloseRequestClosesEverything", Script{}, Run::AcquireAndCloseRequest, {},
         Join({kAcquireStart, kShutDown}), 0},
        {"CloseRequestWithFailingDisable", With([](Script& s) { s.disable = kFailure; }),
         Run::AcquireAndCloseRequest, {"Can't disable source"}, Join({kAcquireStart, kShutDown}), 0},
        {"CloseRequestWithFailingClose", With([](Script& s) { s.closeSource = kFailure; }),
         Run::AcquireAndCloseRequest, {"Can't close source"},
         Join({kAcquireStart, {"DisableSource", "CloseSource"}}), 0},
    };
}

class ConnectorScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(ConnectorScenario, CallsMessagesAndResult) {
    const Scenario& sc = GetParam();
    Harness h(sc.script);
    switch (sc.run) {
        case Run::Select:
            h.connector->SelectSource();
            break;
        case Run::Acquire:
            h.connector->Acquire();
            break;
        case Run::AcquireAndTransfer:
            h.connector->Acquire();
            h.connector->OnSourceMessage(SourceMessage::XferReady);
            break;
        case Run::AcquireAndCloseRequest:
            h.connector->Acquire();
            h.connector->OnSourceMessage(SourceMessage::CloseDsRequest);
            break;
    }
    EXPECT_EQ(h.Messages(), sc.messages);
    if (!sc.calls.empty()) {
        EXPECT_EQ(h.calls, sc.calls);
    }
    if (sc.acquiredWidth == 0) {
        EXPECT_TRUE(h.acquired.empty());
    } else {
        ASSERT_EQ(h.acquired.size(), 1u);
        EXPECT_EQ(h.acquired[0].Width(), sc.acquiredWidth);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ConnectorScenario, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TwainConnector, CancelledSelectionKeepsTheSourceChosenBefore) {
    Harness h(Script{});
    h.connector->SelectSource();
    EXPECT_EQ(h.connector->Source().productName, "Flatbed");
    EXPECT_EQ(h.connector->Source().id, 0u);  // remembered with Id 0
    h.fake->s.userSelect = twrc::kCancel;
    h.fake->s.selectName = "Camera";
    h.connector->SelectSource();
    EXPECT_EQ(h.connector->Source().productName, "Flatbed");
    EXPECT_TRUE(h.Messages().empty());
    // Acquire opens the chosen source.
    h.connector->Acquire();
    ASSERT_EQ(h.fake->openedSources.size(), 1u);
    EXPECT_EQ(h.fake->openedSources[0], "Flatbed");
}

TEST(TwainConnector, SelectWhileASourceIsOpenRefusesAndKeepsTheManagerOpen) {
    Harness h(Script{});
    h.connector->Acquire();
    ASSERT_TRUE(h.connector->SourceEnabled());
    h.calls.clear();
    h.connector->SelectSource();
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"A Source is already open\nClose Source before Selecting a New Source"});
    EXPECT_TRUE(h.calls.empty());  // no selection, and the manager is not closed under the open source
    EXPECT_TRUE(h.connector->ManagerOpen());
    // Between commands nothing stays open once the source is done.
    h.connector->OnSourceMessage(SourceMessage::CloseDsRequest);
    EXPECT_FALSE(h.connector->ManagerOpen());
    EXPECT_FALSE(h.connector->SourceOpen());
}

TEST(TwainConnector, MessagesWhileNoSourceIsEnabledAreDropped) {
    Harness h(Script{});
    h.connector->OnSourceMessage(SourceMessage::XferReady);
    h.connector->OnSourceMessage(SourceMessage::CloseDsRequest);
    EXPECT_TRUE(h.calls.empty());
    EXPECT_TRUE(h.Messages().empty());
}

TEST(TwainConnector, ManagerIsToldTheApplicationIdentity) {
    Harness h(Script{});
    h.connector->SelectSource();
    const TwainIdentity& id = h.fake->openedWith;
    EXPECT_EQ(id.id, 0u);
    EXPECT_EQ(id.majorNum, 1);
    EXPECT_EQ(id.minorNum, 5);
    EXPECT_EQ(id.language, 13);
    EXPECT_EQ(id.country, 1);
    EXPECT_EQ(id.info, "TWAIN App Interface 1.0");
    EXPECT_EQ(id.protocolMajor, 1);
    EXPECT_EQ(id.protocolMinor, 5);
    EXPECT_EQ(id.supportedGroups, 3u);
    EXPECT_EQ(id.manufacturer, "Halvard Imaging Team");
    EXPECT_EQ(id.productFamily, "TWAIN Toolkit");
    EXPECT_EQ(id.productName, "Lumaprism");
}

TEST(TwainConnector, CodesLayout) {
    EXPECT_EQ(CTwainConnector::WithCodes("Can't open source", 65535, 1),
              "Can't open source\nCondition Code: 65535\nReturn Code: 1");
}

TEST(TwainConnector, TwentyFourBitImagesTakeTheFixedPaletteOnPaletteDisplays) {
    const struct {
        bool paletteDisplay;
        int bitsPerPixel;
        ColourRef expected;
    } cases[] = {
        // Levels: red and green k * 255 / 7 (... 109, 145 ...), blue k * 85.
        {true, 24, MakeColour(109, 145, 170)},
        {false, 24, MakeColour(100, 150, 200)},
        {true, 8, MakeColour(100, 150, 200)},  // a palette bitmap keeps the colours of its table
    };
    for (const auto& c : cases) {
        Script script;
        script.transfers = {twrc::kXferDone};
        script.bitsPerPixel = c.bitsPerPixel;
        Harness h(script);
        h.connector->SetPaletteDisplay(c.paletteDisplay);
        h.connector->Acquire();
        h.connector->OnSourceMessage(SourceMessage::XferReady);
        ASSERT_EQ(h.acquired.size(), 1u);
        EXPECT_EQ(test::PixelAt(h.acquired[0], 0, 0), c.expected) << c.paletteDisplay << " " << c.bitsPerPixel;
    }
}

TEST(TwainConnector, FixedPaletteHasEightEightFourLevels) {
    const Palette palette = EightEightFourPalette();
    ASSERT_EQ(palette.Count(), 256);
    EXPECT_EQ(palette.GetEntry(0), MakeColour(0, 0, 0));
    EXPECT_EQ(palette.GetEntry(255), MakeColour(255, 255, 255));
    EXPECT_EQ(palette.GetEntry(7 * 32), MakeColour(255, 0, 0));
    EXPECT_EQ(palette.GetEntry(7 * 4), MakeColour(0, 255, 0));
    EXPECT_EQ(palette.GetEntry(3), MakeColour(0, 0, 255));
    EXPECT_EQ(palette.GetEntry(1 * 32 + 2 * 4 + 1), MakeColour(36, 72, 85));
}

}  // namespace
}  // namespace lp
