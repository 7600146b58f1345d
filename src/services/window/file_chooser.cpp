#include "services/window/file_chooser.h"

#include "services/core/core.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>

#include <mutex>

std::vector<FileFilter> ParseFileFilter(const Text& filter) {
    std::vector<FileFilter> filters;
    // Split by character: the second byte of a two-byte character may be '|'.
    const TextArray parts = SplitText(filter, Text::fromBytes("|"));
    // Read as a list ending in "||": pairs until an empty name.
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        if (parts[i + 1].empty()) continue;
        filters.push_back({parts[i], parts[i + 1]});
    }
    return filters;
}

namespace {

// The desktop's file dialog.
class QtFileChooser : public FileChooser {
public:
    std::optional<Text> choose(const FileRequest& request) override {
        // Owned by the active window, which may be destroyed while the dialog
        // is open (and take the dialog with it).
        QPointer<QFileDialog> owned = new QFileDialog(QApplication::activeWindow());
        QFileDialog& dialog = *owned;
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (!request.title.empty()) dialog.setWindowTitle(request.title.toQString());
        QStringList nameFilters;
        for (const auto& f : request.filters) {
            QString patterns = f.patterns.toQString();
            patterns.replace(';', ' ');
            nameFilters << f.name.toQString() + " (" + patterns + ")";
        }
        if (!nameFilters.isEmpty()) {
            dialog.setNameFilters(nameFilters);
            if (request.filterIndex >= 0 && request.filterIndex < nameFilters.size())
                dialog.selectNameFilter(nameFilters[request.filterIndex]);
        }
        if (!request.folder.empty()) dialog.setDirectory(request.folder.toQFileName());
        if (request.save && !request.defaultExtension.empty())
            dialog.setDefaultSuffix(request.defaultExtension.toQString());
        if (!request.fileName.empty()) dialog.selectFile(request.fileName.toQFileName());
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (!owned) return std::nullopt;
        const QStringList chosen = owned->selectedFiles();
        delete owned.data();
        if (!accepted || chosen.isEmpty()) return std::nullopt;
        return Text::fromQFileName(chosen.first());
    }
};

std::mutex g_mutex;
std::shared_ptr<FileChooser> g_chooser;

}  // namespace

std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser) {
    std::lock_guard lock(g_mutex);
    auto previous = g_chooser;
    g_chooser = std::move(chooser);
    return previous;
}

std::shared_ptr<FileChooser> CurrentFileChooser() {
    std::lock_guard lock(g_mutex);
    if (!g_chooser) g_chooser = std::make_shared<QtFileChooser>();
    return g_chooser;
}
