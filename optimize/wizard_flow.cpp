#include "optimize/wizard_flow.h"

#include <algorithm>
#include <system_error>

#include "base/prompter.h"
#include "base/printf_text.h"
#include "batch/apply_batch_macro.h"

namespace lp {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCaption = "Lumaprism";

struct KindTexts {
    std::string_view menu, name, summary, welcomeTitle, welcomeText;
};

const KindTexts& Texts(WizardKind kind) {
    static const KindTexts kTexts[] = {
        {"&Color Optimization Wizard", "Color Optimization Wizard", "Color Optimization Wizard's Summary",
         "Welcome to Color Optimization Wizard!",
         "You can optimize colors in your picture. By reducing number of colors you can keep required quality of "
         "picture and reduce file size for decreasing needed transfer time."},
        {"&JPEG Optimization Wizard", "JPEG Optimization Wizard", "JPEG Optimization Wizard's Summary",
         "Welcome to JPEG Optimization Wizard!",
         "JPEG Wizard optimizes the quality of your picture. Proper quality-optimization results in reduced file "
         "size,with out damaging the picture."},
        {"&GIF Animation Wizard", "GIF Animation Wizard", "GIF Optimization Wizard's Summary",
         "Welcome to Animated GIF Optimization Wizard!", "You can optimize colors and size in an Animated GIF picture."},
        {"&Size Optimization Wizard", "Size Optimization Wizard", "Size Optimization Wizard's Summary",
         "Welcome to Resizing Wizard", "Resize wizard reduces the size of the picture."},
        {"&Lumaprism Wizard", "Lumaprism Wizard", "Lumaprism Wizard's Summary",
         "Welcome to Lumaprism Image Optimization Wizard!",
         "Lumaprism Wizard optimizes the Color/Quality/Size of your picture."},
        {"&Html-Page Optimization Wizard", "Html-Page Optimization Wizard", "Html-Page Optimization Wizard's Summary",
         "Welcome to Html-Page Optimization Wizard!",
         "Html-Page Wizard optimizes the Html files of a site and Color/Quality/Size of Images on the site."},
    };
    const int index = std::clamp(static_cast<int>(kind), 1, 6) - 1;
    return kTexts[index];
}

std::string_view YesNo(std::int32_t on) { return on ? "Yes" : "No"; }

/// User level and what it leads to.
void AddColourPages(std::vector<WizardPage>& pages, const BatchMacro& macro) {
    pages.push_back(WizardPage::UserLevel);
    if (macro.reductionMode == kReductionExposure) {
        pages.push_back(WizardPage::Exposure);
    } else if (macro.reductionMode == kReductionCount) {
        pages.push_back(WizardPage::ColorCount);
        pages.push_back(WizardPage::PaletteTransparency);
    }
}

void AddJpegPages(std::vector<WizardPage>& pages, const BatchMacro& macro) {
    pages.push_back(WizardPage::JpegLevel);
    if (macro.jpegLevel == 3) pages.push_back(WizardPage::JpegQuality);
}

void AddResizePages(std::vector<WizardPage>& pages, const BatchMacro& macro, const WizardFlowState& state) {
    pages.push_back(WizardPage::ResizeType);
    // Relative sizes need the picture's own size: without one the page is Absolute size.
    if (state.hasPicture && macro.resizeMode == kResizeRelative)
        pages.push_back(WizardPage::RelativeSize);
    else
        pages.push_back(WizardPage::AbsoluteSize);
}

}  // namespace

std::string_view WizardMenuText(WizardKind kind) { return Texts(kind).menu; }
std::string_view WizardName(WizardKind kind) { return Texts(kind).name; }
std::string_view WizardSummaryCaption(WizardKind kind) { return Texts(kind).summary; }
std::string_view WizardWelcomeTitle(WizardKind kind) { return Texts(kind).welcomeTitle; }
std::string_view WizardWelcomeDescription(WizardKind kind) { return Texts(kind).welcomeText; }

std::string_view WizardPageCaption(WizardPage page) {
    switch (page) {
        case WizardPage::UserLevel:
        case WizardPage::Exposure:
        case WizardPage::ColorCount:
        case WizardPage::PaletteTransparency:
            return "Color Optimization Wizard";
        case WizardPage::ResizeType:
        case WizardPage::AbsoluteSize:
        case WizardPage::RelativeSize:
            return "Size Optimization Wizard";
        case WizardPage::AskResize:
        case WizardPage::PictureKind:
            return "Lumaprism Wizard";
        case WizardPage::JpegLevel:
        case WizardPage::JpegQuality:
            return "JPEG Optimization Wizard";
        case WizardPage::Frames:
            return "Optimization of frames";
        case WizardPage::HtmlUrl:
        case WizardPage::HtmlTags:
            return "Html-Page optimization Wizard";
        default:
            return {};
    }
}

std::vector<WizardPage> WizardPageSequence(WizardKind kind, const BatchMacro& macro, const WizardFlowState& state) {
    std::vector<WizardPage> pages{WizardPage::Welcome};
    switch (kind) {
        case WizardKind::Color:
            AddColourPages(pages, macro);
            break;
        case WizardKind::Jpeg:
            AddJpegPages(pages, macro);
            break;
        case WizardKind::Gif:
            AddColourPages(pages, macro);
            pages.push_back(WizardPage::Frames);
            break;
        case WizardKind::Size:
            AddResizePages(pages, macro, state);
            break;
        case WizardKind::Master: {
            pages.push_back(WizardPage::AskResize);
            if (state.changeSize) AddResizePages(pages, macro, state);
            const bool animation = state.hasPicture && state.frameCount >= 2;
            bool colourPages = animation;
            if (!animation) {
                pages.push_back(WizardPage::PictureKind);
                colourPages = macro.gifChosen == 1;
            }
            if (colourPages) {
                AddColourPages(pages, macro);
                if (animation || !state.hasPicture || macro.reductionMode == kReductionAuto)
                    pages.push_back(WizardPage::Frames);
            } else {
                AddJpegPages(pages, macro);
            }
            break;
        }
        case WizardKind::Html:
            pages.push_back(WizardPage::HtmlUrl);
            pages.push_back(WizardPage::HtmlTags);
            AddColourPages(pages, macro);
            AddJpegPages(pages, macro);
            pages.push_back(WizardPage::Frames);
            break;
    }
    if (!state.hasPicture && kind != WizardKind::Html) pages.push_back(WizardPage::SaveToDirectory);
    pages.push_back(WizardPage::Summary);
    return pages;
}

std::optional<WizardPage> NextWizardPage(WizardKind kind, WizardPage current, const BatchMacro& macro,
                                         const WizardFlowState& state) {
    const std::vector<WizardPage> pages = WizardPageSequence(kind, macro, state);
    const auto it = std::find(pages.begin(), pages.end(), current);
    if (it == pages.end() || it + 1 == pages.end()) return std::nullopt;
    return *(it + 1);
}

BatchMacro NewWizardMacro() {
    BatchMacro macro("Default");
    macro.resizeMode = kResizeNone;
    macro.width = 360;
    macro.height = 240;
    macro.widthPercent = 100;
    macro.heightPercent = 100;
    macro.colorCountMode = kColorCountRelative;
    macro.colors = 256;
    macro.outputFormat = kOutputSame;
    macro.transparentMode = kTransparentKeep;
    return macro;
}

void StoreUserLevel(BatchMacro& macro, int level) {
    macro.reductionMode = std::clamp(level, 0, 2);
    if (macro.reductionMode != kReductionCount) {
        macro.updateTransparent = 1;
        macro.usePalette = 1;
        macro.paletteName.clear();
    }
}

void StoreJpegLevel(BatchMacro& macro, int level) {
    macro.jpegLevel = std::clamp(level, 0, 3);
    static constexpr int kQuality[] = {40, 50, 75};
    if (macro.jpegLevel < 3) macro.quality = kQuality[macro.jpegLevel];
}

void StorePictureKind(BatchMacro& macro, int pictureKind) { macro.gifChosen = pictureKind >= 2 ? 1 : 0; }

int PictureKindOf(const BatchMacro& macro) { return macro.gifChosen == 1 ? 2 : 0; }

void StoreColorCount(BatchMacro& macro, bool absolute, int value) {
    if (absolute) {
        macro.colorCountMode = kColorCountAbsolute;
        macro.colors = std::clamp(value, 1, 256);
    } else {
        macro.colorCountMode = kColorCountRelative;
        macro.colorPercent = std::clamp(value, 1, 100);
    }
}

void StoreHtmlLevels(BatchMacro& macro, int listPosition) { macro.htmlLevels = std::clamp(listPosition, 0, 5) + 1; }

std::vector<std::string> WizardSummaryLines(WizardKind kind, const BatchMacro& m, const HtmlJobTexts& html) {
    std::vector<std::string> lines;
    auto add = [&lines](std::string line) { lines.push_back(std::move(line)); };
    if (kind == WizardKind::Html) {
        add("Html-Page Optimization");
        add("");
        add("URL                         : " + html.url);
        add("Output Directory       : " + html.outputDir);
        add(m.htmlLevels == 6 ? std::string("Optimize levels         : All")
                              : PrintfText("Optimize levels         : %d", m.htmlLevels));
        add("Add TAGS               : " + std::string(YesNo(m.addTags)));
        if (m.addTags) {
            add("Add ALT TAG          : " + std::string(YesNo(m.addAlt)));
            add("Add WIDTH TAG    : " + std::string(YesNo(m.addWidth)));
            add("Add HEIGHT TAG   : " + std::string(YesNo(m.addHeight)));
        }
        add("Resize Images         : " + std::string(YesNo(m.resizeImages)));
        add("");
    }
    if (kind == WizardKind::Color || kind == WizardKind::Gif || kind == WizardKind::Master ||
        kind == WizardKind::Html) {
        add("Color Optimization");
        add("");
        if (m.reductionMode == kReductionAuto) {
            add("   Automatic Reduction");
        } else if (m.reductionMode == kReductionExposure) {
            static constexpr std::string_view kExposure[] = {"Low", "Medium", "High"};
            add("   Reduction for " + std::string(kExposure[std::clamp(m.exposure, 0, 2)]) + " Exposure Picture");
        } else {
            if (m.colorCountMode == kColorCountRelative)
                add(PrintfText("   Reduction to %d %% of colors", m.colorPercent));
            else
                add(PrintfText("   Reduction to %d colors", m.colors));
            if (!m.usePalette)
                add("   Predefined colors not used");
            else if (m.paletteName.empty())
                add("   Predefined colors from current palette");
            else
                add("   Predefined colors from " + m.paletteName + " palette");
            add(m.updateTransparent ? "   Update transparent color" : "   Do not update transparent color");
        }
    }
    if (kind == WizardKind::Gif || kind == WizardKind::Master) {
        add(" ");
        add("   Animation details");
        add("   .  Cut out image      --  " + std::string(YesNo(m.cutOut)));
        if (m.cutOut) add(PrintfText("   .  Cut out tolerance  --  %d", int(m.cutOutTolerance)));
        add("   .  Transparent    --  " + std::string(YesNo(m.makeTransparent)));
        if (m.makeTransparent) add(PrintfText("   .  Transparent tolerance  --  %d", int(m.transparentTolerance)));
    }
    if (kind == WizardKind::Jpeg || kind == WizardKind::Html || (kind == WizardKind::Master && m.gifChosen == 0)) {
        static constexpr std::string_view kLevels[] = {"Low", "Medium", "High", "Expert"};
        add("");
        add("JPEG Optimization");
        add("");
        add("   Level chosen -- " + std::string(kLevels[std::clamp(m.jpegLevel, 0, 3)]));
        add(PrintfText("   Jpeg QFactor -- %d ", m.quality));
    }
    if (kind == WizardKind::Size || kind == WizardKind::Master) {
        add("");
        add("Resizing parameters");
        add("");
        if (m.resizeMode == kResizeAbsolute) {
            add("   Resizing type  --  Absolute");
            add(PrintfText("     .  Width       --  %d", m.width));
            add(PrintfText("     .  Height      --  %d", m.height));
        } else {
            add("   Resizing type  --  Relative");
            add(PrintfText("     .  Width       --  %3d %%", m.widthPercent));
            add(PrintfText("     .  Height      --  %3d %%", m.heightPercent));
        }
        add("");
        add("   Smart resizing --  " + std::string(YesNo(m.smartResize)));
    }
    return lines;
}

std::optional<std::string> CheckSaveMacroName(std::string_view typed, Prompter& prompter) {
    const auto first = typed.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        prompter.Message(kSaveNameMissing, kCaption, PromptIcon::Exclamation);
        return std::nullopt;
    }
    const auto last = typed.find_last_not_of(' ');
    return std::string(typed.substr(first, last - first + 1));
}

bool PrepareSaveDirectory(const std::string& dir, Prompter& prompter) {
    std::error_code ec;
    const fs::path path(dir);
    if (fs::is_directory(path, ec)) return true;
    prompter.Message(PrintfText("Cannot Find Directory %s", dir.c_str()), kCaption, PromptIcon::Information);
    // An empty name names no folder: it cannot be made.
    bool made = !dir.empty();
    if (made) {
        fs::create_directories(path, ec);
        made = !ec && fs::is_directory(path, ec);
    }
    if (!made) prompter.Message(PrintfText("Unable to Create Directory %s", dir.c_str()), kCaption, PromptIcon::Stop);
    return made;
}

HtmlPageCheck CheckHtmlPage(std::string_view url, std::string_view dir) {
    HtmlPageCheck check;
    if (url.empty()) {
        check.message = "The URL field cannot be Empty.";
        check.focus = HtmlPageField::Url;
        return check;
    }
    if (dir.empty()) {
        check.message = "An Output directory must be specified.";
        check.focus = HtmlPageField::Directory;
        return check;
    }
    std::error_code ec;
    if (!fs::is_directory(fs::path(std::string(dir)), ec)) {
        check.message = "The directory doesn't exist.";
        check.focus = HtmlPageField::Directory;
        return check;
    }
    const auto first = url.find_first_not_of(' ');
    std::string text(first == std::string_view::npos ? std::string_view{} : url.substr(first));
    if (text.rfind("http", 0) != 0) text = "http://" + text;
    check.url = std::move(text);
    return check;
}

void PrepareWizardMacro(WizardKind kind, BatchMacro& m, const WizardPictureState& p) {
    const std::int32_t colours = static_cast<std::int32_t>(std::clamp<std::int64_t>(p.colors, 0, 1 << 30));
    auto relativeFull = [&] {
        m.resizeMode = kResizeRelative;
        m.widthPercent = 100;
        m.heightPercent = 100;
        m.width = p.width;
        m.height = p.height;
    };
    auto coloursUntouched = [&] {
        m.colors = colours;
        m.colorCountMode = kColorCountRelative;
        m.reductionMode = kReductionCount;
        m.exposure = 2;
        m.updateTransparent = 0;
    };
    switch (kind) {
        case WizardKind::Color:
            relativeFull();
            m.gifChosen = 1;
            m.quality = p.quality;
            m.cutOut = 0;
            m.makeTransparent = 0;
            break;
        case WizardKind::Jpeg:
            m.resizeMode = kResizeRelative;
            m.widthPercent = 100;
            m.heightPercent = 100;
            coloursUntouched();
            m.colorPercent = 100;
            m.gifChosen = 0;
            m.cutOut = 0;
            m.makeTransparent = 0;
            return;  // the colour target is not recomputed
        case WizardKind::Gif:
            relativeFull();
            m.gifChosen = 1;
            m.quality = p.quality;
            break;
        case WizardKind::Size:
            coloursUntouched();
            m.colorPercent = 100;
            m.gifChosen = 0;
            m.cutOut = 0;
            m.makeTransparent = 0;
            break;
        case WizardKind::Master:
            if (m.resizeMode == kResizeNone) relativeFull();
            if (m.gifChosen == 0)
                coloursUntouched();
            else
                m.quality = p.quality;
            break;
        case WizardKind::Html:
            break;
    }
    if (m.resizeMode == kResizeRelative) {
        m.width = std::max(1, static_cast<int>(m.widthPercent * 0.01 * p.width));
        m.height = std::max(1, static_cast<int>(m.heightPercent * 0.01 * p.height));
        m.resizeMode = kResizeAbsolute;
    }
    m.colors = TargetColorCount(m, p.colors);
}

ReportComparison WizardComparison(WizardKind kind, const BatchMacro& macro) {
    if (kind == WizardKind::Jpeg || (kind == WizardKind::Master && macro.gifChosen == 0)) return ReportComparison::Jpeg;
    return ReportComparison::Gif;
}

unsigned WizardApplyFlags(WizardKind kind, const BatchMacro& macro) {
    switch (kind) {
        case WizardKind::Jpeg:
            return 0;
        case WizardKind::Size:
            return kApplyResize;
        case WizardKind::Master:
            // Optimized as JPEG the colours stay: a reduction to at most 256 colours before
            // the JPEG step would posterize a photograph.
            return macro.gifChosen == 0 ? kApplyResize : kApplyResize | kApplyReduceColors;
        default:
            return kApplyReduceColors;
    }
}

std::string WizardPreviewTitle(WizardKind kind, int n) {
    switch (kind) {
        case WizardKind::Color: return PrintfText("Preview %d  (Color Reduction) ", n);
        case WizardKind::Jpeg: return PrintfText("Preview %d  (JPEG Quality) ", n);
        case WizardKind::Gif: return PrintfText("Preview %d  (  GIF Optimization  )", n);
        case WizardKind::Size: return PrintfText("Preview %d  (Size) ", n);
        default: return PrintfText("Preview %d  (  Color/Quality/Size Optimization  )", n);
    }
}

std::string WizardReportTitle(WizardKind kind, int n) {
    switch (kind) {
        case WizardKind::Color: return PrintfText("Preview %d  (Color Optimization)", n);
        case WizardKind::Jpeg: return PrintfText("Preview %d  (JPEG Optimization)", n);
        case WizardKind::Gif: return PrintfText("Preview %d  (GIF  Optimization)", n);
        case WizardKind::Size: return PrintfText("Preview %d  (Size Optimization)", n);
        default: return PrintfText("Preview %d  (  Color/Quality/Size Optimization  )", n);
    }
}

}  // namespace lp
