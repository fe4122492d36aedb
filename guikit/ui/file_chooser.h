#pragma once
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace lp {

/// How the program asks for file names. The GUI uses file dialogs; tests
/// script the answers.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    /// Open dialog (opening filter). proposed: the name first shown (may be empty).
    /// multiple: several names may be chosen (Add Frame). Empty when cancelled.
    virtual std::vector<std::filesystem::path> OpenFileNames(QWidget* parent, const std::filesystem::path& proposed,
                                                             bool multiple) = 0;
    /// Save dialog (saving filter) with the filter index to preselect; the
    /// name as typed and the chosen filter index, or nothing when cancelled.
    struct SaveChoice {
        std::filesystem::path path;
        int filterIndex = 0;
    };
    virtual std::optional<SaveChoice> SaveFileName(QWidget* parent, const std::filesystem::path& proposed,
                                                   int filterIndex) = 0;
    /// Save dialog of the vector formats (LVF, WMF, EMF, EPS, SVG); the dialog itself asks
    /// nothing about existing files (the caller does). Nothing when cancelled.
    virtual std::optional<SaveChoice> SaveVectorFileName(QWidget* parent, const std::filesystem::path& proposed);
};

/// File dialogs with the program's filters and rules: a name typed without an
/// extension gets the chosen filter's extension; a name that does not exist
/// in the open dialog gives "%s - not Found\n Please verify the correct file
/// name" and the dialog opens again.
class DialogFileChooser final : public FileChooser {
public:
    std::vector<std::filesystem::path> OpenFileNames(QWidget* parent, const std::filesystem::path& proposed,
                                                     bool multiple) override;
    std::optional<SaveChoice> SaveFileName(QWidget* parent, const std::filesystem::path& proposed,
                                           int filterIndex) override;
};

/// The dialog filters as Qt name filters: each text kept as shown, followed
/// by its patterns in the form Qt reads.
std::vector<QString> QtNameFilters(const char* windowsFilter);
/// The extension a typed name without one gets from open-filter index
/// (0-based): ".jpg", ".gif", ... for the second to eleventh filters; empty otherwise.
std::string OpenFilterExtension(int filterIndex);
/// The name with the open filter's extension added when it has none.
std::filesystem::path WithOpenFilterExtension(const std::filesystem::path& path, int filterIndex);

}  // namespace lp
