#pragma once
#include "formats/file_types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lp {

inline constexpr const char* kAnimatedGifTypeName = "Animated GIF";
inline constexpr const char* kGifFrameTypeName = "Animated GIF Frame";

/// Where the list's rows come from.
enum class BrowseMode { Folder = 1, HtmlFile = 2, WebSite = 3, GifFrames = 4 };

/// One row of the browser list.
struct BrowserItem {
    std::string name;             // file name, frame caption, or full path (HTML and site modes)
    std::uint32_t size = 0;       // low 32 bits of the file size; 0 = not available
    std::uint64_t lastWrite = 0;  // FILETIME; 0 = not available
    std::int32_t width = 0;       // 0 until the worker has read the picture
    std::int32_t height = 0;
    std::int32_t colors = -1;     // -1 = not counted
    std::string typeName;
    std::int32_t imageIndex = 0;  // in both image lists
    std::int32_t smallIconState = 0;
    std::int32_t thumbQuality = 0;

    friend bool operator==(const BrowserItem&, const BrowserItem&) = default;
};

/// The display type of a recognised upper-case extension (".JPG" -> "Jpeg
/// Picture"); empty for an extension the list does not know.
std::string_view TypeNameForExtension(std::string_view upperExtension);
/// The extension a recognised type is listed under (Jpeg -> ".JPG").
std::string_view CanonicalExtension(PictureFileType type);
/// The type names of the "Filters" dialog's "Available :" list, in its order.
const std::vector<std::string>& AvailableTypeNames();

/// Upper-case extensions, each followed by ";". An extension is admitted when
/// it occurs in the text. Not persisted: every list starts with the default.
class FileTypeFilter {
public:
    static constexpr std::string_view kDefault = ".PCX;.GIF;.TGA;.TIF;.BMP;.JPG;.JPEG;.RLE;.DIB;.PNG;.LNK;";

    FileTypeFilter() : m_text(kDefault) {}
    explicit FileTypeFilter(std::string text) : m_text(std::move(text)) {}

    const std::string& Text() const { return m_text; }
    bool Admits(std::string_view upperExtension) const { return m_text.find(upperExtension) != std::string::npos; }

    /// "Selected :" at the dialog's start: every type name whose extension occurs in the filter.
    std::vector<std::string> SelectedTypeNames() const;
    /// OK of the dialog: the extensions of the names in order, each with ";"
    /// ("Jpeg Picture" gives ".JPG;.JPEG;").
    static FileTypeFilter FromTypeNames(const std::vector<std::string>& names);

private:
    std::string m_text;
};

/// The "Filters" dialog's lists and buttons.
struct FilterDialogState {
    std::vector<std::string> available = AvailableTypeNames();
    std::vector<std::string> selected;

    /// "Add": copies the chosen Available entries not yet in Selected.
    void Add(const std::vector<std::size_t>& chosenAvailable);
    /// "Remove": deletes the chosen Selected entries.
    void Remove(const std::vector<std::size_t>& chosenSelected);
    /// "Remove" is disabled while Selected is empty.
    bool RemoveEnabled() const { return !selected.empty(); }
};

}  // namespace lp
