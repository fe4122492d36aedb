#pragma once

namespace lp::cmd {

// The framework's standard commands keep the framework's numbers; help topics
// are 0x10000 + command id, so the numbers are part of the help file's contract.
inline constexpr int kFileOpen = 0xE101;
inline constexpr int kFileClose = 0xE102;
inline constexpr int kFileSave = 0xE103;
inline constexpr int kFileSaveAs = 0xE104;
inline constexpr int kFilePrintSetup = 0xE106;
inline constexpr int kFilePrint = 0xE107;
inline constexpr int kFilePrintPreview = 0xE109;
inline constexpr int kFileMru1 = 0xE110;  // ..0xE114: the recent-file list
inline constexpr int kWindowArrange = 0xE130;
inline constexpr int kWindowCascade = 0xE132;
inline constexpr int kWindowTileHorz = 0xE133;
inline constexpr int kWindowTileVert = 0xE134;
inline constexpr int kEditCopy = 0xE122;
inline constexpr int kEditPaste = 0xE125;
inline constexpr int kEditUndo = 0xE12B;
inline constexpr int kAppAbout = 0xE140;
inline constexpr int kAppExit = 0xE141;
inline constexpr int kHelpIndex = 0xE142;
inline constexpr int kViewToolbar = 0xE800;
inline constexpr int kViewStatusBar = 0xE801;

// Ids the program's own resources give.
inline constexpr int kHorzRuler = 130;
inline constexpr int kVertRuler = 132;
inline constexpr int kViewControl = 244;
inline constexpr int kVectorize = 32778;
inline constexpr int kMagicWand = 32783;
inline constexpr int kPickColour = 32785;
inline constexpr int kRetouchPen = 32786;
inline constexpr int kManualResize = 32787;
inline constexpr int kPositionSelector = 32810;
inline constexpr int kViewDrawingTool = 32812;
inline constexpr int kSpotRemover = 32823;
inline constexpr int kOptions = 32826;

// The rest of the program's commands.
inline constexpr int kReload = 33001;
inline constexpr int kCloseAll = 33002;
inline constexpr int kScanSelect = 33003;
inline constexpr int kScanAcquire = 33004;
inline constexpr int kPrintingOptions = 33005;
inline constexpr int kDefaultBrowser = 33006;
inline constexpr int kCutOut = 33007;
inline constexpr int kViewRuler = 33008;
inline constexpr int kAskWizard = 33009;
inline constexpr int kStartUpScreen = 33010;
inline constexpr int kBeginnersHint = 33011;
inline constexpr int kPosTopLeft = 33020;  // ..33028, the nine picture positions in order
inline constexpr int kZoom50 = 33030;
inline constexpr int kZoom100 = 33031;
inline constexpr int kZoom200 = 33032;
inline constexpr int kZoom400 = 33033;
inline constexpr int kZoomBestFit = 33034;
inline constexpr int kZoomFitWidth = 33035;
inline constexpr int kZoomFitHeight = 33036;
inline constexpr int kZoomCustom = 33037;
inline constexpr int kZoomIn = 33038;
inline constexpr int kZoomOut = 33039;
inline constexpr int kWallpaperTile = 33040;
inline constexpr int kWallpaperCentered = 33041;
inline constexpr int kWallpaperStretch = 33042;
inline constexpr int kResize = 33043;
inline constexpr int kNextFrame = 33050;
inline constexpr int kPrevFrame = 33051;
inline constexpr int kFirstFrame = 33052;
inline constexpr int kLastFrame = 33053;
inline constexpr int kPlay = 33054;
inline constexpr int kStop = 33055;
inline constexpr int kAddFrame = 33056;
inline constexpr int kDeleteFrame = 33057;
inline constexpr int kWebSafe = 33060;
inline constexpr int kFlipHorizontal = 33061;
inline constexpr int kFlipVertical = 33062;
inline constexpr int kRotate180 = 33063;
inline constexpr int kRotate90Cw = 33064;
inline constexpr int kRotate90Ccw = 33065;
inline constexpr int kRotateArbitrary = 33066;
inline constexpr int kRotateFreeHand = 33067;
inline constexpr int kMerge = 33068;
inline constexpr int kToolRectangle = 33070;
inline constexpr int kToolEllipse = 33071;
inline constexpr int kToolPolygon = 33072;
inline constexpr int kToolPickPalette = 33073;
inline constexpr int kToolHide = 33074;
inline constexpr int kSelectForeground = 33075;
inline constexpr int kSelectTransparent = 33076;
inline constexpr int kFillForeground = 33077;
inline constexpr int kFillTransparent = 33078;
inline constexpr int kWindowManager = 33080;
inline constexpr int kWizardMaster = 33090;
inline constexpr int kWizardColour = 33091;
inline constexpr int kWizardJpeg = 33092;
inline constexpr int kWizardSize = 33093;
inline constexpr int kWizardGif = 33094;
inline constexpr int kWizardHtml = 33095;
inline constexpr int kHelpIntroduction = 33100;
inline constexpr int kHelpQuickStart = 33101;

// Browser tool-bar commands (the browser window's own handlers).
inline constexpr int kBrowserPictureWindow = 33200;
inline constexpr int kBrowserThumbNail = 33201;
inline constexpr int kBrowserListView = 33202;
inline constexpr int kBrowserDetails = 33203;
inline constexpr int kBrowserFileTypes = 33204;
inline constexpr int kBrowserWebSites = 33205;
inline constexpr int kBrowserRefresh = 33206;
inline constexpr int kBrowserDownload = 33207;
inline constexpr int kBrowserStop = 33208;
// The browser list's commands of the browser menu and the context menu.
inline constexpr int kBrowserOpen = 33209;
inline constexpr int kBrowserDelete = 33210;
inline constexpr int kBrowserSelectAll = 33211;
inline constexpr int kBrowserInvertSelection = 33212;
inline constexpr int kBrowserCacheInfo = 33213;
inline constexpr int kBrowserProperties = 33214;

/// The help topic of a command.
constexpr int HelpTopic(int id) { return 0x10000 + id; }

}  // namespace lp::cmd
