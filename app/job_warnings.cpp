#include "app/job_warnings.h"

#include <filesystem>

namespace lp {

namespace {

/// The format a file name's extension names; Unknown when it names none.
PictureFileType TypeNamedBy(const std::string& name) {
    struct Named {
        const char* extension;
        PictureFileType type;
    };
    static constexpr Named kNamed[] = {
        {".JPG", PictureFileType::Jpeg}, {".JPEG", PictureFileType::Jpeg}, {".GIF", PictureFileType::Gif},
        {".PNG", PictureFileType::Png},  {".BMP", PictureFileType::Bmp},   {".PCX", PictureFileType::Pcx},
        {".TGA", PictureFileType::Targa}, {".TIF", PictureFileType::Tiff}, {".TIFF", PictureFileType::Tiff},
        {".RLE", PictureFileType::Rle},  {".DIB", PictureFileType::Dib},
    };
    const std::string extension = UpperExtension(std::filesystem::path(name));
    for (const Named& n : kNamed)
        if (extension == n.extension) return n.type;
    return PictureFileType::Unknown;
}

}  // namespace

std::vector<std::string> JobWarnings(const BatchJob& job, PictureFileType inputType) {
    std::vector<std::string> lines;
    if (inputType == PictureFileType::Unknown) return lines;  // the job fails with its own error
    const std::string inputName = FileTypeName(inputType);
    const PictureFileType named = TypeNamedBy(job.output);
    // A .JPEG/.JPG or .TIF/.TIFF pair names one format; only a different format is news.
    if (!job.output.empty() && named != inputType)
        lines.push_back("warning: " + job.output + " is written as " + inputName + ", the format of " + job.input +
                        (named == PictureFileType::Unknown
                             ? std::string("; its extension names no picture format")
                             : std::string("; its extension names ") + FileTypeName(named)));
    struct OptionScope {
        std::uint16_t flag;
        const char* option;
        PictureFileType applies;
    };
    const OptionScope scopes[] = {
        {kGivenQuality, "-q", PictureFileType::Jpeg},
        {kGivenColours, "-n", PictureFileType::Gif},
        {kGivenGifTransparency, "-gt", PictureFileType::Gif},
        {kGivenGifCutOut, "-gc", PictureFileType::Gif},
    };
    for (const OptionScope& scope : scopes)
        if ((job.given & scope.flag) && inputType != scope.applies)
            lines.push_back(std::string("warning: ") + scope.option + " applies to " + FileTypeName(scope.applies) +
                            " inputs only; ignored for " + job.input + " (" + inputName + ")");
    return lines;
}

std::string KeptFirstFrameWarning(const std::string& shownOutput, bool outputHoldsFrames, std::size_t frameCount) {
    if (frameCount < 2 || outputHoldsFrames) return {};
    return "warning: " + shownOutput + ": kept frame 1 of " + std::to_string(frameCount) +
           " (only GIF holds an animation)";
}

void WarnAboutJob(const BatchJob& job, PictureFileType inputType, std::FILE* err) {
    for (const std::string& line : JobWarnings(job, inputType)) std::fprintf(err, "%s\n", line.c_str());
}

}  // namespace lp
