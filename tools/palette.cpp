#include "tools/palette.h"

#include "base/atomic_file.h"
#include "formats/io/bounded_reader.h"
#include "base/imp_exp_exception.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <new>

namespace lp {

namespace {

constexpr const char* kTitle = "Palette Error";
constexpr std::array<std::uint8_t, 6> kMagic{'V', 'P', '1', '.', '0', 0};
constexpr std::size_t kNameField = 30;
constexpr std::size_t kNameOffset = 10;
constexpr std::size_t kCountOffset = 40;
constexpr std::size_t kEntryOffsetField = 42;

// Cuts a name to 29 bytes without splitting a UTF-8 sequence.
std::string CutName(std::string_view name) {
    if (name.size() <= Palette::kNameMax) return std::string(name);
    std::size_t end = Palette::kNameMax;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return std::string(name.substr(0, end));
}

// A text field read up to its NUL and never past its width minus one.
std::string ReadNameField(std::span<const std::uint8_t> field) {
    const std::size_t limit = std::min(field.size(), kNameField) - 1;
    std::size_t n = 0;
    while (n < limit && field[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field.data()), n);
}

void WriteNameField(std::uint8_t* out, std::string_view name) {
    const std::string cut = CutName(name);
    std::memcpy(out, cut.data(), cut.size());  // the rest of the field is already zero
}

struct Header {
    std::string name;
    std::size_t count = 0;  // already limited to kMaxReadCount
    std::uint64_t entryOffset = 0;
};

Header ParseHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < Palette::kHeaderBytes) throw InnerError("Not a palette file: shorter than the 64-byte header");
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        throw InnerError("Not a palette file: the signature \"VP1.0\" is missing");
    BoundedReader reader(bytes.first(Palette::kHeaderBytes));
    Header h;
    h.name = ReadNameField(bytes.subspan(kNameOffset, kNameField));
    reader.Seek(kCountOffset);
    h.count = std::min<std::size_t>(reader.U16LE(), Palette::kMaxReadCount);
    reader.Seek(kEntryOffsetField);
    h.entryOffset = reader.U32LE();
    if (!IsAcceptablePaletteName(h.name)) throw InnerError("Invalid palette name in the file");
    return h;
}

// Checks that the entry block lies inside a file of fileSize bytes.
void CheckEntryBlock(const Header& h, std::uint64_t fileSize) {
    if (h.entryOffset > fileSize) throw InnerError("Palette entries start past the end of the file");
    const std::uint64_t complete = (fileSize - h.entryOffset) / Palette::kEntryBytes;
    if (complete < h.count)
        throw InnerError("Palette file is truncated: " + std::to_string(h.count) + " entries announced, " +
                         std::to_string(complete) + " present");
}

std::vector<PaletteEntry> ParseEntries(std::span<const std::uint8_t> block, std::size_t count) {
    BoundedReader reader(block, "Palette file is truncated");
    std::vector<PaletteEntry> entries;
    entries.reserve(std::min(count + 10, Palette::kMaxReadCount));
    for (std::size_t i = 0; i < count; ++i) {
        const auto e = reader.Bytes(Palette::kEntryBytes);
        entries.push_back({ColourEntry{e[0], e[1], e[2], 0}, ReadNameField(e.subspan(3, kNameField))});
    }
    return entries;
}

[[noreturn]] void Rethrow(const std::filesystem::path& path, const std::exception& e) {
    throw ImpExpException(path.string(), e.what(), kTitle);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool HasPalExtension(const std::filesystem::path& p) { return EqualsIgnoringCase(p.extension().string(), ".pal"); }

}  // namespace

// ---- Palette -------------------------------------------------------------------------------------------

void Palette::Allocate(int n) {
    const std::size_t count = std::min<std::size_t>(n < 0 ? 0 : std::size_t(n), kMaxReadCount);
    m_entries.clear();
    m_entries.reserve(std::min(count + 10, kMaxReadCount));
    m_entries.resize(count);
}

void Palette::Clear() {
    m_entries.clear();
    m_name.clear();
}

int Palette::AddEntry(ColourRef colour, std::string_view name) {
    try {
        m_entries.push_back({ColourEntry::FromColour(colour & 0xFFFFFF), CutName(name)});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

ColourRef Palette::GetEntry(int index, std::string* name) const {
    if (index < 0 || std::size_t(index) >= m_entries.size()) return kNoColour;
    if (name) *name = m_entries[std::size_t(index)].name;
    return m_entries[std::size_t(index)].colour.ToColour();
}

void Palette::SetName(std::string_view name) { m_name = CutName(name); }

ColourRef Palette::Nearest(ColourRef colour) const {
    if (m_entries.empty()) return colour;
    const int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
    const ColourEntry* best = nullptr;
    int bestDistance = 0;
    for (const PaletteEntry& e : m_entries) {
        const int d = ColourDistance(r, g, b, e.colour.red, e.colour.green, e.colour.blue);
        if (!best || d < bestDistance) {
            best = &e.colour;
            bestDistance = d;
            if (d == 0) break;
        }
    }
    return best->ToColour();
}

Palette Palette::Decode(std::span<const std::uint8_t> bytes, const std::string& where) {
    try {
        const Header h = ParseHeader(bytes);
        CheckEntryBlock(h, bytes.size());
        Palette p;
        p.m_entries = ParseEntries(bytes.subspan(std::size_t(h.entryOffset)), h.count);
        p.m_name = h.name;
        return p;
    } catch (const std::bad_alloc&) {
        throw ImpExpException(where, "Not Enough Memory", kTitle);
    } catch (const InnerError& e) {
        throw ImpExpException(where, e.what(), kTitle);
    }
}

void Palette::Load(const std::filesystem::path& path) {
    // Only the header and the entry block are read: a damaged offset cannot make us read a huge file.
    Palette loaded;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw InnerError("Cannot open the palette file");
        std::error_code ec;
        const std::uint64_t fileSize = std::filesystem::file_size(path, ec);
        if (ec) throw InnerError("Cannot open the palette file");

        std::vector<std::uint8_t> header(std::min<std::uint64_t>(fileSize, kHeaderBytes));
        in.read(reinterpret_cast<char*>(header.data()), std::streamsize(header.size()));
        if (std::uint64_t(in.gcount()) != header.size()) throw InnerError("Cannot read the palette file");
        const Header h = ParseHeader(header);
        CheckEntryBlock(h, fileSize);

        std::vector<std::uint8_t> block(h.count * kEntryBytes);
        in.seekg(std::streamoff(h.entryOffset));
        in.read(reinterpret_cast<char*>(block.data()), std::streamsize(block.size()));
        if (!in || std::uint64_t(in.gcount()) != block.size()) throw InnerError("Palette file is truncated");
        loaded.m_entries = ParseEntries(block, h.count);
        loaded.m_name = h.name;
    } catch (const std::bad_alloc&) {
        throw ImpExpException(path.string(), "Not Enough Memory", kTitle);
    } catch (const InnerError& e) {
        Rethrow(path, e);
    }
    loaded.m_path = path;
    *this = std::move(loaded);
}

std::vector<std::uint8_t> Palette::Encode() const {
    if (m_entries.size() > 0xFFFF) throw InnerError("Too many colors for a palette file");
    std::vector<std::uint8_t> out(kHeaderBytes + m_entries.size() * kEntryBytes, 0);
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    WriteNameField(&out[kNameOffset], m_name);
    out[kCountOffset] = std::uint8_t(m_entries.size() & 0xFF);
    out[kCountOffset + 1] = std::uint8_t(m_entries.size() >> 8);
    out[kEntryOffsetField] = std::uint8_t(kHeaderBytes);
    std::size_t at = kHeaderBytes;
    for (const PaletteEntry& e : m_entries) {
        out[at] = e.colour.red;
        out[at + 1] = e.colour.green;
        out[at + 2] = e.colour.blue;
        WriteNameField(&out[at + 3], e.name);
        at += kEntryBytes;
    }
    return out;
}

void Palette::Save(const std::filesystem::path& path) {
    const std::filesystem::path target = path.empty() ? m_path : path;
    if (target.empty()) throw ImpExpException("Palette", "No file name for the palette", kTitle);
    try {
        if (!IsAcceptablePaletteName(m_name)) throw InnerError("Invalid palette name");
        WriteFileAtomically(target, Encode(), "Cannot create the palette file", "Error writing the palette file");
    } catch (const std::bad_alloc&) {
        throw ImpExpException(target.string(), "Not Enough Memory", kTitle);
    } catch (const InnerError& e) {
        Rethrow(target, e);
    }
}

int Palette::Read(const std::filesystem::path& path) {
    try {
        Load(path);
        return 0;
    } catch (const ImpExpException&) {
        return -1;
    }
}

int Palette::Write(const std::filesystem::path& path) {
    try {
        Save(path);
        return 0;
    } catch (const ImpExpException&) {
        return -1;
    }
}

// ---- Names and the palette folder ----------------------------------------------------------------------

bool IsAcceptablePaletteName(std::string_view name) {
    if (name.find("..") != std::string_view::npos) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
    });
}

std::filesystem::path PaletteFolder(const DataFolders& folders) { return folders.Folder(DataFolder::Palette); }

std::filesystem::path PaletteFilePath(const DataFolders& folders, std::string_view name) {
    if (name.empty() || !IsAcceptablePaletteName(name)) return {};
    const std::filesystem::path folder = PaletteFolder(folders);
    const std::string wanted = std::string(name) + ".pal";
    std::error_code ec;
    if (std::filesystem::exists(folder / wanted, ec)) return folder / wanted;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto& p = entry.path();
        if (p.stem().string() == name && HasPalExtension(p)) return p;
    }
    return folder / wanted;
}

std::vector<std::string> ListPaletteNames(const DataFolders& folders) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PaletteFolder(folders), ec)) {
        std::error_code typeEc;
        if (entry.is_regular_file(typeEc) && HasPalExtension(entry.path()))
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Palette WebSafePalette() {
    Palette p;
    p.SetName("Web-Safe");
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                const std::uint8_t rgb[3] = {std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)};
                std::string name;
                for (std::uint8_t v : rgb) {
                    name += kHex[v >> 4];
                    name += kHex[v & 15];
                }
                p.AddEntry(MakeColour(rgb[0], rgb[1], rgb[2]), name);
            }
    return p;
}

void InstallShippedPalettes(const DataFolders& folders) {
    const std::filesystem::path target = PaletteFilePath(folders, "Web-Safe");
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) return;
    WebSafePalette().Save(target);
}

// ---- Converting a document's pictures ------------------------------------------------------------------

PaletteConversion ConvertPicturesToPaletteFile(std::span<Picture* const> pictures,
                                               const std::filesystem::path& documentPath, bool webSafe,
                                               std::string_view paletteNameSetting, const DataFolders& folders,
                                               ProgressSink* progress) {
    PaletteConversion result;
    const std::string extension = documentPath.extension().string();
    if (EqualsIgnoringCase(extension, ".jpg") || EqualsIgnoringCase(extension, ".jpeg")) {
        result.outcome = PaletteConversion::Outcome::JpegRefused;
        result.message = "Color conversion will not be allowed on JPEG pictures.";
        return result;
    }

    const std::string name = webSafe ? std::string("Web-Safe") : std::string(paletteNameSetting);
    std::filesystem::path path = PaletteFilePath(folders, name);
    // A refused name is a palette that cannot be found; the message still shows what was asked for.
    if (path.empty()) path = PaletteFolder(folders) / (name + ".pal");
    result.palettePath = path;

    Palette palette;
    if (!IsAcceptablePaletteName(name) || palette.Read(path) != 0) {
        result.outcome = PaletteConversion::Outcome::PaletteUnreadable;
        result.message = "Unable to find palette file : " + path.string() +
                         ".  Check your palette directory for the same.\nYour request to convert to the palette "
                         "is not processed";
        return result;
    }
    for (Picture* picture : pictures)
        if (picture) ConvertToPalette(*picture, palette, progress);
    return result;
}

}  // namespace lp
