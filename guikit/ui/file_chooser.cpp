#include "guikit/ui/file_chooser.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <array>
#include <string_view>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "vector/vector_file.h"

namespace lp {

namespace {

QString FromPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
std::filesystem::path ToPath(const QString& text) { return std::filesystem::path(text.toStdString()); }

int FilterIndexOf(const QStringList& filters, const QString& chosen) {
    const qsizetype index = filters.indexOf(chosen);
    return index < 0 ? 0 : int(index);
}

QStringList ToStringList(const std::vector<QString>& list) { return QStringList(list.begin(), list.end()); }

}  // namespace

std::vector<QString> QtNameFilters(const char* windowsFilter) {
    // "Text|pattern;pattern|Text|pattern||": the texts are shown as written;
    // Qt takes the patterns from the last parenthesised group, so they follow.
    std::vector<QString> filters;
    const QStringList parts = QString::fromLatin1(windowsFilter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.push_back(parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

std::string OpenFilterExtension(int filterIndex) {
    // The typed-name extensions run in the order of the save filters.
    return SaveFilterExtension(filterIndex);
}

std::filesystem::path WithOpenFilterExtension(const std::filesystem::path& path, int filterIndex) {
    std::error_code ec;
    if (path.has_extension() || std::filesystem::exists(path, ec)) return path;
    const std::string extension = OpenFilterExtension(filterIndex);
    if (extension.empty()) return path;
    std::filesystem::path result = path;
    result += extension;
    return result;
}

std::vector<std::filesystem::path> DialogFileChooser::OpenFileNames(QWidget* parent,
                                                                    const std::filesystem::path& proposed,
                                                                    bool multiple) {
    const QStringList filters = ToStringList(QtNameFilters(kOpenFileFilter));
    QFileDialog dialog(parent, multiple ? QStringLiteral("Add Frame") : QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed: a missing one is reported below and the dialog opens again.
    dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!proposed.empty()) {
        dialog.setDirectory(FromPath(proposed.parent_path()));
        dialog.selectFile(FromPath(proposed.filename()));
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return {};
        const int filterIndex = FilterIndexOf(filters, dialog.selectedNameFilter());
        std::vector<std::filesystem::path> chosen;
        QString missing;
        for (const QString& name : dialog.selectedFiles()) {
            const std::filesystem::path path = WithOpenFilterExtension(ToPath(name), filterIndex);
            std::error_code ec;
            if (!std::filesystem::exists(path, ec)) {
                missing = FromPath(path);
                break;
            }
            chosen.push_back(path);
        }
        if (missing.isEmpty()) return chosen;
        QMessageBox::warning(parent, QStringLiteral("Lumaprism"),
                             missing + QStringLiteral(" - not Found\n Please verify the correct file name"));
    }
}

std::optional<FileChooser::SaveChoice> DialogFileChooser::SaveFileName(QWidget* parent,
                                                                       const std::filesystem::path& proposed,
                                                                       int filterIndex) {
    const QStringList filters = ToStringList(QtNameFilters(kSaveFileFilter));
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    if (filterIndex >= 0 && filterIndex < filters.size()) dialog.selectNameFilter(filters[filterIndex]);
    if (!proposed.empty()) {
        if (proposed.has_parent_path()) dialog.setDirectory(FromPath(proposed.parent_path()));
        dialog.selectFile(FromPath(proposed.filename()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{ToPath(dialog.selectedFiles().front()), FilterIndexOf(filters, dialog.selectedNameFilter())};
}

std::optional<FileChooser::SaveChoice> FileChooser::SaveVectorFileName(QWidget* parent,
                                                                      const std::filesystem::path& proposed) {
    QStringList filters = ToStringList(QtNameFilters(kVectorSaveFilter));
    filters += ToStringList(QtNameFilters(kSvgSaveFilterEntry));
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    if (!proposed.empty()) {
        if (proposed.has_parent_path()) dialog.setDirectory(FromPath(proposed.parent_path()));
        dialog.selectFile(FromPath(proposed.stem()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{ToPath(dialog.selectedFiles().front()), FilterIndexOf(filters, dialog.selectedNameFilter())};
}

}  // namespace lp
