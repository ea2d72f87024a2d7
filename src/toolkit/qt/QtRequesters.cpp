// Qt's own file dialogs, the same on every desktop, and its message boxes,
// in front of their owner.
#include "toolkit/qt/QtWidgets.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "toolkit/Text.h"

namespace vx {

QWidget* QtWindowSystem::Owner(std::uint64_t window) const
{
    QWidget* owner = Widget(window);
    return owner != nullptr ? owner : QApplication::activeWindow();
}

std::string QtWindowSystem::AskOpenFile(std::uint64_t owner, const std::string& title,
                                        const std::string& defaultFile, const std::string& filter,
                                        int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, false);
}

std::string QtWindowSystem::AskSaveFile(std::uint64_t owner, const std::string& title,
                                        const std::string& defaultFile, const std::string& filter,
                                        int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, true);
}

std::string QtWindowSystem::AskFolder(std::uint64_t owner, const std::string& title,
                                      const std::string& startFolder)
{
    if (!Started())
        return {};
    QFileDialog dialog(Owner(owner), FromUtf8(title), FromPath(startFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToPath(dialog.selectedFiles().front());
}

void QtWindowSystem::ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                                 const std::string& text)
{
    if (!Started() || headless_)
        return;
    QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information,
                    FromUtf8(title), FromUtf8(text), QMessageBox::Ok, Owner(owner));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

// Qt's own file dialogs, the same on every desktop, application-modal, in
// front of their owner.
std::string QtWindowSystem::Ask(std::uint64_t owner, const std::string& title,
                                const std::string& defaultFile, const std::string& filter,
                                int filterIndex, bool save)
{
    if (!Started())
        return {};
    QFileDialog dialog(Owner(owner), FromUtf8(title), FromPath(FolderPart(defaultFile)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // "description|pattern|description|pattern": Qt matches the patterns
    // without regard to letter case.
    QStringList filters;
    for (int k = 1;; k += 2) {
        const std::string description = FieldOf(filter, k, "|");
        const std::string pattern = FieldOf(filter, k + 1, "|");
        if (description.empty() && pattern.empty())
            break;
        filters << FromUtf8(description) + " (" + FromUtf8(pattern) + ")";
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (filterIndex >= 0 && filterIndex < filters.size())
            dialog.selectNameFilter(filters[filterIndex]);
    }
    const std::string name = FileNamePart(defaultFile);
    if (!name.empty())
        dialog.selectFile(FromPath(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToPath(dialog.selectedFiles().front());
}

}  // namespace vx
