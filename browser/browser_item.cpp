#include "browser/browser_item.h"

#include <algorithm>
#include <array>
#include <set>

namespace lp {

namespace {

struct TypeRow {
    std::string_view name;
    std::array<std::string_view, 2> extensions;  // second may be empty
};

// In the order of the "Filters" dialog.
constexpr std::array<TypeRow, 10> kTypes = {{
    {"Windows Bitmap", {".BMP", ""}},
    {"GIF Picture", {".GIF", ""}},
    {"Tiff Picture", {".TIF", ""}},
    {"Jpeg Picture", {".JPG", ".JPEG"}},
    {"PNG Picture", {".PNG", ""}},
    {"Targa Picture", {".TGA", ""}},
    {"Pcx Picture", {".PCX", ""}},
    {"RLE Picture", {".RLE", ""}},
    {"DIB Picture", {".DIB", ""}},
    {"Shortcut", {".LNK", ""}},
}};

}  // namespace

std::string_view TypeNameForExtension(std::string_view upperExtension) {
    if (upperExtension.empty()) return {};
    for (const TypeRow& row : kTypes)
        for (std::string_view ext : row.extensions)
            if (ext == upperExtension) return row.name;
    return {};
}

std::string_view CanonicalExtension(PictureFileType type) {
    switch (type) {
        case PictureFileType::Jpeg: return ".JPG";
        case PictureFileType::Gif: return ".GIF";
        case PictureFileType::Png: return ".PNG";
        case PictureFileType::Bmp: return ".BMP";
        case PictureFileType::Pcx: return ".PCX";
        case PictureFileType::Targa: return ".TGA";
        case PictureFileType::Tiff: return ".TIF";
        case PictureFileType::Rle: return ".RLE";
        case PictureFileType::Dib: return ".DIB";
        case PictureFileType::Unknown: break;
    }
    return {};
}

const std::vector<std::string>& AvailableTypeNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const TypeRow& row : kTypes) v.emplace_back(row.name);
        return v;
    }();
    return names;
}

std::vector<std::string> FileTypeFilter::SelectedTypeNames() const {
    std::vector<std::string> names;
    for (const TypeRow& row : kTypes)
        if (Admits(row.extensions[0])) names.emplace_back(row.name);
    return names;
}

FileTypeFilter FileTypeFilter::FromTypeNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        for (const TypeRow& row : kTypes) {
            if (row.name != name) continue;
            for (std::string_view ext : row.extensions) {
                if (ext.empty()) continue;
                text += ext;
                text += ';';
            }
        }
    }
    if (!text.empty() && text.back() != ';') text += ';';
    return FileTypeFilter(std::move(text));
}

void FilterDialogState::Add(const std::vector<std::size_t>& chosenAvailable) {
    for (std::size_t i : chosenAvailable) {
        if (i >= available.size()) continue;
        if (std::find(selected.begin(), selected.end(), available[i]) == selected.end())
            selected.push_back(available[i]);
    }
}

void FilterDialogState::Remove(const std::vector<std::size_t>& chosenSelected) {
    const std::set<std::size_t> drop(chosenSelected.begin(), chosenSelected.end());
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < selected.size(); ++i)
        if (!drop.count(i)) kept.push_back(selected[i]);
    selected = std::move(kept);
}

}  // namespace lp
