#include "browser/browser_item.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include "formats/format_table.h"

namespace lp {

namespace {

struct TypeRow {
    PictureFileType type;
    std::string name;
    std::vector<std::string> extensions;  // upper case, as the filter compares them
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// In the order of the "Filters" dialog; names and extensions come from the format table.
const std::vector<TypeRow>& Types() {
    static const std::vector<TypeRow> types = [] {
        constexpr PictureFileType kOrder[] = {PictureFileType::Bmp, PictureFileType::Gif,   PictureFileType::Tiff,
                                              PictureFileType::Jpeg, PictureFileType::Png,  PictureFileType::Targa,
                                              PictureFileType::Pcx, PictureFileType::Rle,   PictureFileType::Dib};
        std::vector<TypeRow> v;
        for (PictureFileType type : kOrder) {
            const FormatRow* row = FindFormat(type);
            TypeRow t{type, std::string(row->browserName), {}};
            for (int i = 0; i < row->shownExtensions; ++i) t.extensions.push_back(Upper(row->extensions[std::size_t(i)]));
            v.push_back(std::move(t));
        }
        v.push_back({PictureFileType::Unknown, "Shortcut", {".LNK"}});
        return v;
    }();
    return types;
}

}  // namespace

std::string_view TypeNameForExtension(std::string_view upperExtension) {
    if (upperExtension.empty()) return {};
    for (const TypeRow& row : Types())
        for (const std::string& ext : row.extensions)
            if (ext == upperExtension) return row.name;
    return {};
}

std::string_view CanonicalExtension(PictureFileType type) {
    for (const TypeRow& row : Types())
        if (row.type == type && type != PictureFileType::Unknown) return row.extensions[0];
    return {};
}

const std::vector<std::string>& AvailableTypeNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const TypeRow& row : Types()) v.emplace_back(row.name);
        return v;
    }();
    return names;
}

std::vector<std::string> FileTypeFilter::SelectedTypeNames() const {
    std::vector<std::string> names;
    for (const TypeRow& row : Types())
        if (Admits(row.extensions[0])) names.emplace_back(row.name);
    return names;
}

FileTypeFilter FileTypeFilter::FromTypeNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        for (const TypeRow& row : Types()) {
            if (row.name != name) continue;
            for (const std::string& ext : row.extensions) {
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
