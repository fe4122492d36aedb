#include "guikit/ui/command_table.h"

#include <array>

#include "guikit/ui/command_ids.h"

namespace lp {

namespace {

using L = CommandLevel;
using namespace cmd;

constexpr CommandInfo kCommands[] = {
    // File
    {kFileOpen, "&Open...\tCtrl+O", "Open Picture\nOpen", L::Application, "Ctrl+O"},
    {kReload, "&Reload Picture", "Discard all Changes and Reload the Picture again\nReload Picture", L::Document},
    {kFileClose, "&Close", "Close the active document\nClose", L::ChildFrame},
    {kCloseAll, "Close Al&l", "Close all open Windows", L::Application},
    {kFileSave, "&Save\tCtrl+S", "Save the active Picture\nSave", L::Document, "Ctrl+S"},
    {kFileSaveAs, "Save &As...", "Save the active Picture with a new name\nSave As", L::Document},
    {kScanSelect, "Scan S&elect", "Selection of Data Source\nScan Select", L::Application},
    {kScanAcquire, "Scan Ac&quire", "Acquistition of Image\nAcquire Image", L::Application},
    {kPrintingOptions, "Prin&ting Options", "Set Printing Parameters\nPrint Options", L::Document},
    {kFilePrintPreview, "Print Pre&view", "Display full page preview of Picture\nPrint Preview", L::View},
    {kFilePrint, "&Print...\tCtrl+P", "Print the active Picture\nPrint", L::View, "Ctrl+P"},
    {kFilePrintSetup, "P&rint Setup...", "Change the printer and printing options\nPrint Setup", L::Application},
    {kDefaultBrowser, "Set &Default Browser",
     "Makes Lumaprism as default browser for various file formats\nDefault browser", L::Document},
    {kWallpaperTile, "Tile", "Set the current picture as Desktop Wallpaper (Tile)\nWallpaper Tile", L::Document},
    {kWallpaperCentered, "Centered", "Set the current picture as Desktop Wallpaper (Centered)\nWallpaper Centered",
     L::Document},
    {kWallpaperStretch, "Stretch", "Set the current picture as Desktop Wallpaper (Stretch)\nWallpaper Stretch",
     L::Document},
    {kAppExit, "E&xit", "Quit the application; prompts to save documents\nExit", L::MainWindow},

    // Edit
    {kEditUndo, "&Undo\tCtrl+Z", "Undo the last Operation\nUndo", L::Document, "Ctrl+Z;Alt+Backspace"},
    {kCutOut, "Cu&t Out\tCtrl+T", "Cut the selection and put it on the Window\nCutOut", L::View,
     "Ctrl+T;Ctrl+X;Shift+Del"},
    {kEditCopy, "&Copy\tCtrl+C", "Copy the picture and put it on the Clipboard\nCopy", L::Document, "Ctrl+C;Ctrl+Ins"},
    {kEditPaste, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste", L::Application, "Ctrl+V;Shift+Ins"},
    {kOptions, "&Options",
     "Change default settings for Ruler scale, Spot Remover, Modem Speed, Internet Settings etc.\nOptions",
     L::Document},

    // View
    {kViewControl, "&Control", "Show or hide Control Dialog\nControls", L::MainWindow, {}, true},
    {kViewToolbar, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", L::MainWindow, {}, true},
    {kViewStatusBar, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", L::MainWindow, {}, true},
    {kViewDrawingTool, "&DrawingTool", "Show or Hide Drawing Tools\nToggle Drawing Tools", L::MainWindow, {}, true},
    {kViewRuler, "&Ruler", "Show or hide the Rulers\nToggle Ruler", L::ChildFrame, {}, true},
    {kAskWizard, "&Ask Wizard ", "Show ask Wizard dialog everytime after opening a picture", L::Application, {}, true},
    {kStartUpScreen, "Start&Up Screen", "Show or Hide Startup Dialog", L::ChildFrame, {}, true},
    {kBeginnersHint, "&Beginner's Hint", "Show or Hide Beginner's Hint\nBeginner's Hint", L::MainWindow, {}, true},
    {kZoom50, "50%", "Shows the picture at half its Size\nZoom 50%", L::View},
    {kZoom100, "100%", "Shows the picture at its own Size\nZoom 100%", L::View},
    {kZoom200, "200%", "Shows the picture at twice its Size\nZoom 200%", L::View},
    {kZoom400, "400%", "Shows the picture at four times its Size\nZoom 400%", L::View},
    {kZoomBestFit, "Best &Fit", "Fits the picture into the Window\nBest Fit", L::View},
    {kZoomFitWidth, "Fit to &Width", "Fits the picture to the width of the Window\nFit to Width", L::View},
    {kZoomFitHeight, "Fit to &Height", "Fits the picture to the height of the Window\nFit to Height", L::View},
    {kZoomCustom, "&Custom...", "Zooms the picture by a chosen factor\nCustom Zoom", L::View},
    {kZoomIn, "Zoom &In", "Zooms the picture to twice its current Size\nZoom In", L::View},
    {kZoomOut, "Zoom &Out", "Zooms the picture to half its current Size\nZoom Out", L::View},
    {kPosTopLeft + 0, "Top Left", "The Picture is Positioned to Top Left of Window", L::Document, {}, true},
    {kPosTopLeft + 1, "Top Middle", "The Picture is Positioned to Top Middle of Window", L::Document, {}, true},
    {kPosTopLeft + 2, "Top Right", "The Picture is Positioned to Top Right of Window", L::Document, {}, true},
    {kPosTopLeft + 3, "Middle Left", "The Picture is Positioned to Middle Left of Window", L::Document, {}, true},
    {kPosTopLeft + 4, "Center", "The Picture is Positioned to Center of Window", L::Document, {}, true},
    {kPosTopLeft + 5, "Middle Right", "The Picture is Positioned to Middle Right of Window", L::Document, {}, true},
    {kPosTopLeft + 6, "Bottom Left", "The Picture is Positioned to Bottom Left of Window", L::Document, {}, true},
    {kPosTopLeft + 7, "Bottom Middle", "The Picture is Positioned to Bottom Middle of Window", L::Document, {}, true},
    {kPosTopLeft + 8, "Bottom Right", "The Picture is Positioned to Bottom Right of Window", L::Document, {}, true},
    {kPositionSelector, "Picture Position", "Position the Picture by Selecting a Rectangle\nPicture Position",
     L::MainWindow},

    // Picture
    {kResize, "Resi&ze...", "Activates a Dialog to Resize the Current Picture, supports Smart Resizing\nResize",
     L::Document},
    {kSpotRemover, "&Spot Remover", "Removing unwanted Spots from the Picture\nSpot Remover", L::View},
    {kVectorize, "&Vectorization...", "Vectorization of Picture\nVectorize", L::Document},
    {kWebSafe, "Convert to Web-Safe", "Convert the picture to the Web-Safe palette\nWeb-Safe", L::Document},
    {kFlipHorizontal, "Flip &Horizontal", "Mirror the current image in Y direction\nMirror Y", L::View},
    {kFlipVertical, "Flip &Vertical", "Mirror the current image in X Axis\nMirror X", L::View},
    {kRotate180, "Rotate by &180", "Rotate the canvas by 180 degrees.\nRotate 180", L::View},
    {kRotate90Cw, "Rotate by &90 CW", "Rotate the canvas by 90 degrees clock wise.\nRotate 90 CW", L::View},
    {kRotate90Ccw, "Rotate by 9&0 CCW", "Rotate the canvas by 90 degrees Counter clock wise\nRotate 90 CCW", L::View},
    {kRotateArbitrary, "&Arbitary ...", "Rotates the canvas arbitarily\nRotate Arbitary", L::View},
    {kRotateFreeHand, "Free hand rotation", "Rotates the bitmap with use of mouse\nFree hand rotation", L::View},
    {kMerge, "&Merge", "Merges the opened images into a new image\nMerge", L::View},

    // Gif Animation
    {kNextFrame, "&Next Frame\tCtrl+F", "Next Frame\nNext Frame", L::Document, "Ctrl+F"},
    {kPrevFrame, "&Previous Frame\tCtrl+B", "Previous frame\nPrevious Frame", L::Document, "Ctrl+B"},
    {kFirstFrame, "&First Frame", "First frame\nFirst Frame", L::Document},
    {kLastFrame, "&Last Frame", "Last frame\nLast Frame", L::Document},
    {kPlay, "P&lay\tCtrl+G", "Play animated GIF\nPlay", L::Document, "Ctrl+G"},
    {kStop, "S&top\tCtrl+H", "Stop Animation\nStop", L::Document, "Ctrl+H"},
    {kAddFrame, "&Add Frame", "Add a picture as a new frame\nAdd Frame", L::Document},
    {kDeleteFrame, "&Delete Frame", "Delete the current frame\nDelete Frame", L::Document},

    // Tools
    {kToolRectangle, "&Rectangle", "Draw Rectangle\nRectangle", L::View, {}, true},
    {kToolEllipse, "&Ellipse/Circle", "Draw Ellipse or Circle\nEllipse", L::View, {}, true},
    {kToolPolygon, "&Polygon", "Draw Polygon\nPolygon", L::View, {}, true},
    {kMagicWand, "&Magic Wand", "Select an Area of similar Colors\nMagic Wand", L::View, {}, true},
    {kToolPickPalette, "Pick Palette", "Pick Colors for Palette\nPick Palette", L::View, {}, true},
    {kPickColour, "&Pick Color", "Pick a Color from the Picture\nPick Color", L::View, {}, true},
    {kRetouchPen, "Reto&uch Pen", "Draw free Lines on the Picture\nRetouch Pen", L::View, {}, true},
    {kManualResize, "&Manual Resize", "Resize the Picture by dragging its Corners\nManual Resize", L::View, {}, true},
    {kToolHide, "&Hide", "Remove Selection", L::View},
    {kSelectForeground, "Select &Foreground Color...", "Select the Foreground Color\nForeground Color", L::Document},
    {kSelectTransparent, "Select &Transparent Color", "Select the Transparent Color\nTransparent Color", L::Document},
    {kFillForeground, "Fill Fo&reground", "Fill the Selection with the Foreground Color\nFill Foreground", L::View},
    {kFillTransparent, "Fil&l Transparent", "Fill the Selection with the Transparent Color\nFill Transparent", L::View},

    // Wizards
    {kWizardMaster, "&Lumaprism Wizard", "Invoke the master wizard of Lumaprism\nLumaprism wizard", L::Document},
    {kWizardColour, "&Color Optimization Wizard", "Color optimizing using a wizard\nColor optimization wizard",
     L::Document},
    {kWizardJpeg, "&JPEG Optimization Wizard", "JPEG optimizing using a wizard\nJPEG optimization wizard", L::Document},
    {kWizardSize, "&Size Optimization Wizard", "Size optimizing using a wizard\nSize optimization wizard", L::Document},
    {kWizardGif, "&GIF Animation Wizard", "GIF animation optimizing using a wizard\nGIF animation wizard", L::Document},
    {kWizardHtml, "&Html-Page Optimization Wizard", "Html-Page optimizing using a wizard\nHtml-Page wizard",
     L::MainWindow},

    // Window
    {kWindowCascade, "&Cascade", "Arrange windows so they overlap\nCascade Windows", L::MainWindow},
    {kWindowTileHorz, "Tile &Horizontally", "Arrange windows as non-overlapping tiles\nTile Horizontally",
     L::MainWindow},
    {kWindowTileVert, "Tile &Vertically", "Arrange windows side by side\nTile Vertically", L::MainWindow},
    {kWindowArrange, "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons", L::MainWindow},
    {kWindowManager, "&Window Manager", "Manage Original Picture & Previews", L::MainWindow},

    // Help
    {kHelpIntroduction, "&Introduction", "Displays the Introduction about Lumaprism", L::Document},
    {kHelpQuickStart, "&Quick Start", "Helps you in starting quickly with Lumaprism\nQuick start", L::Document},
    {kHelpIndex, "&Topics", "List Help topics\nHelp Topics", L::Application, "F1"},
    {kAppAbout, "&About Lumaprism...", "Display program information, version number and copyright\nAbout",
     L::Application},

    // Browser tool bar and browser menu
    {kBrowserPictureWindow, "Picture Window", "Back to picture window\nPicture Window", L::ChildFrame},
    {kBrowserOpen, "&Open", "Open the selected picture in a picture window\nOpen", L::View},
    {kBrowserDelete, "D&elete", "Move the selected pictures to the trash\nDelete", L::View},
    {kBrowserSelectAll, "Select &All\tCtrl+A", "Select every picture of the list\nSelect All", L::View, "Ctrl+A"},
    {kBrowserInvertSelection, "&Invert Selection", "Select the pictures not selected, and deselect the others\nInvert Selection",
     L::View},
    {kBrowserThumbNail, "Thumb &Nail", "Show the pictures as thumb nails\nThumb Nail", L::View, {}, true},
    {kBrowserListView, "&List View", "Show the pictures as a list\nList View", L::View, {}, true},
    {kBrowserDetails, "&Details", "Show the details of the pictures\nDetails", L::View, {}, true},
    {kBrowserFileTypes, "&File Types", "Choose the file types shown\nFile Types", L::View},
    {kBrowserWebSites, "&Web Sites", "Show the list of web sites\nWeb Sites", L::View},
    {kBrowserRefresh, "&Refresh", "Refresh the list\nRefresh", L::View},
    {kBrowserDownload, "&DownLoad", "Download the pictures of a web site\nDownload", L::View},
    {kBrowserStop, "&Stop", "Interrupts the Current Transfer\nStop", L::View},
    {kBrowserCacheInfo, "&Cache Info", "Show the thumbnail cache and clean it\nCache Info", L::View},
    {kBrowserProperties, "P&roperties", "Show the properties of the first selected frame\nProperties", L::View},
};

constexpr int kNoWindowFile[] = {kFileOpen,        kScanSelect, kScanAcquire, kFilePrintSetup, 0,
                                 kRecentFilesSlot, 0,           kAppExit};
constexpr int kNoWindowView[] = {kViewControl, kViewToolbar, kViewStatusBar, kStartUpScreen};
constexpr int kNoWindowWindow[] = {kWindowCascade, kWindowTileHorz, kWindowTileVert, kWindowArrange};
constexpr int kHelp[] = {kHelpIntroduction, kHelpQuickStart, 0, kHelpIndex, kAppAbout};

constexpr MenuLayout kNoWindowMenus[] = {
    {"&File", kNoWindowFile},
    {"&View", kNoWindowView},
    {"&Window", kNoWindowWindow},
    {"&Help", kHelp},
};

constexpr int kPicFile[] = {kFileOpen,
                            kReload,
                            kFileClose,
                            kCloseAll,
                            0,
                            kFileSave,
                            kFileSaveAs,
                            0,
                            kScanSelect,
                            kScanAcquire,
                            0,
                            kPrintingOptions,
                            kFilePrintPreview,
                            kFilePrint,
                            kFilePrintSetup,
                            0,
                            SubmenuItem(0),
                            kDefaultBrowser,
                            0,
                            kRecentFilesSlot,
                            0,
                            kAppExit};
constexpr int kPicEdit[] = {kEditUndo, 0, kCutOut, kEditCopy, kEditPaste, 0, kOptions};
constexpr int kPicView[] = {kViewControl,   kViewToolbar,
                            kViewStatusBar, kViewDrawingTool,
                            kViewRuler,     0,
                            kAskWizard,     kStartUpScreen,
                            kBeginnersHint, 0,
                            SubmenuItem(1), SubmenuItem(2)};
constexpr int kPicPicture[] = {kResize,          kSpotRemover,    kVectorize, kWebSafe,    0,
                               kFlipHorizontal,  kFlipVertical,   kRotate180, kRotate90Cw, kRotate90Ccw,
                               kRotateArbitrary, kRotateFreeHand, 0,          kMerge};
constexpr int kPicAnimation[] = {kNextFrame, kPrevFrame, kFirstFrame, kLastFrame, 0,
                                 kPlay,      kStop,      0,           kAddFrame,  kDeleteFrame};
constexpr int kPicTools[] = {kToolRectangle,    kToolEllipse,       kToolPolygon,
                             kMagicWand,        kPickColour,        kRetouchPen,
                             kManualResize,     kToolHide,          0,
                             kSelectForeground, kSelectTransparent, 0,
                             kFillForeground,   kFillTransparent};
constexpr int kPicWizards[] = {kWizardMaster, kWizardColour, kWizardJpeg, kWizardSize, kWizardGif, kWizardHtml};
constexpr int kPicWindow[] = {kWindowCascade, kWindowTileHorz, kWindowTileVert, kWindowArrange, 0, kWindowManager};

constexpr MenuLayout kPictureMenus[] = {
    {"&File", kPicFile},
    {"&Edit", kPicEdit},
    {"&View", kPicView},
    {"&Picture", kPicPicture},
    {"&Gif Animation", kPicAnimation},
    {"&Tools", kPicTools},
    {"Wi&zards", kPicWizards},
    {"&Window", kPicWindow},
    {"&Help", kHelp},
};

// The browser window's menus: the list's commands beside the program's own.
constexpr int kBrFile[] = {kFileOpen,       kCloseAll, 0, kScanSelect, kScanAcquire, kFilePrintSetup, 0,
                           kRecentFilesSlot, 0,        kAppExit};
constexpr int kBrEdit[] = {kEditCopy, kBrowserDelete, 0, kBrowserSelectAll, kBrowserInvertSelection, 0, kOptions};
constexpr int kBrView[] = {kViewControl,      kViewToolbar,     kViewStatusBar,  0,
                           kBrowserThumbNail, kBrowserListView, kBrowserDetails, 0,
                           kBrowserRefresh,   0,                kStartUpScreen,  kBeginnersHint};
constexpr int kBrBrowser[] = {kBrowserOpen,      kBrowserDownload, kBrowserStop,       0,
                              kBrowserFileTypes, kBrowserWebSites, kBrowserCacheInfo,  0,
                              kBrowserProperties, 0,               kBrowserPictureWindow};

constexpr MenuLayout kBrowserMenus[] = {
    {"&File", kBrFile},
    {"&Edit", kBrEdit},
    {"&View", kBrView},
    {"&Browser", kBrBrowser},
    {"Wi&zards", kPicWizards},
    {"&Window", kPicWindow},
    {"&Help", kHelp},
};

constexpr int kWallpaper[] = {kWallpaperTile, kWallpaperCentered, kWallpaperStretch};
constexpr int kZoom[] = {kZoom50,       kZoom100,       kZoom200,    kZoom400, 0,       kZoomBestFit,
                         kZoomFitWidth, kZoomFitHeight, kZoomCustom, 0,        kZoomIn, kZoomOut};
constexpr int kPosition[] = {kPosTopLeft,     kPosTopLeft + 1, kPosTopLeft + 2, kPosTopLeft + 3, kPosTopLeft + 4,
                             kPosTopLeft + 5, kPosTopLeft + 6, kPosTopLeft + 7, kPosTopLeft + 8};
constexpr MenuLayout kPictureSubmenus[] = {
    {"Set as &WallPaper", kWallpaper},
    {"&Zoom", kZoom},
    {"Picture Position", kPosition},
};

constexpr int kPictureToolbar[] = {
    kFileOpen,    0,         kFileSave,     kReload,   0,         kScanSelect,  kFilePrint, 0,
    kCutOut,      kEditCopy, kEditPaste,    kEditUndo, 0,         kResize,      kVectorize, 0,
    kOptionsSlot, 0,         kSelectorSlot, 0,         kAddFrame, kDeleteFrame, 0,          kBeginnersHint,
    kAppAbout};
constexpr int kBrowserToolbar[] = {kBrowserPictureWindow,
                                   0,
                                   kFileOpen,
                                   0,
                                   kBrowserThumbNail,
                                   kBrowserListView,
                                   kBrowserDetails,
                                   0,
                                   kBrowserFileTypes,
                                   kBrowserWebSites,
                                   kBrowserRefresh,
                                   kBrowserDownload,
                                   kBrowserStop,
                                   0,
                                   kOptionsSlot,
                                   0,
                                   kBeginnersHint,
                                   kAppAbout};
constexpr int kDrawingTools[] = {kToolRectangle,   kToolEllipse, kToolPolygon, kMagicWand,
                                 kToolPickPalette, kPickColour,  kRetouchPen,  kManualResize};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

std::string_view PromptStatusText(std::string_view prompt) { return prompt.substr(0, prompt.find('\n')); }

std::string_view PromptTooltip(std::string_view prompt) {
    const auto nl = prompt.find('\n');
    return nl == std::string_view::npos ? prompt : prompt.substr(nl + 1);
}

std::span<const MenuLayout> NoWindowMenus() { return kNoWindowMenus; }
std::span<const MenuLayout> PictureMenus() { return kPictureMenus; }
std::span<const MenuLayout> BrowserMenus() { return kBrowserMenus; }
std::span<const MenuLayout> PictureSubmenus() { return kPictureSubmenus; }
std::span<const int> PictureToolbarLayout() { return kPictureToolbar; }
std::span<const int> BrowserToolbarLayout() { return kBrowserToolbar; }
std::span<const int> DrawingToolsLayout() { return kDrawingTools; }

}  // namespace lp
