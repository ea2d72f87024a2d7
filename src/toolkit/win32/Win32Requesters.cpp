// The open and save requesters (COMDLG32), the folder requester (the shell's
// common item dialog) and the message boxes, in front of their owner.
#include "toolkit/win32/Win32Window.h"

#include <commdlg.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "toolkit/Text.h"

namespace vx {

HWND Win32WindowSystem::OwnerOf(std::uint64_t window) const
{
    if (const HWND owner = WindowOf(window))
        return owner;
    return windows_.empty() ? nullptr : windows_.rbegin()->second.hwnd.get();  // the newest
}

std::string Win32WindowSystem::AskOpenFile(std::uint64_t owner, const std::string& title,
                                           const std::string& defaultFile,
                                           const std::string& filter, int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, false);
}

std::string Win32WindowSystem::AskSaveFile(std::uint64_t owner, const std::string& title,
                                           const std::string& defaultFile,
                                           const std::string& filter, int filterIndex)
{
    return Ask(owner, title, defaultFile, filter, filterIndex, true);
}


// The shell's own folder requester (the common item dialog picking folders).
std::string Win32WindowSystem::AskFolder(std::uint64_t owner, const std::string& title,
                                         const std::string& startFolder)
{
    using Microsoft::WRL::ComPtr;
    if (!Started())
        return {};
    const ComScope com;
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog))))
        return {};
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                       FOS_NOCHANGEDIR);
    dialog->SetTitle(Wide(title).c_str());
    std::wstring start = Wide(startFolder);
    std::replace(start.begin(), start.end(), L'/', L'\\');
    ComPtr<IShellItem> folder;
    if (!start.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&folder))))
        dialog->SetFolder(folder.Get());
    ComPtr<IShellItem> chosen;
    wchar_t* path = nullptr;
    if (FAILED(dialog->Show(OwnerOf(owner))) || FAILED(dialog->GetResult(&chosen)) ||
        FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return {};  // cancelled, or not a folder of the file system
    const std::string result = Utf8(path);
    CoTaskMemFree(path);
    return result;
}

void Win32WindowSystem::ShowMessage(std::uint64_t owner, MessageKind kind, const std::string& title,
                                    const std::string& text)
{
    if (!Started() || headless_)
        return;
    const UINT icon = kind == MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(OwnerOf(owner), Wide(text).c_str(), Wide(title).c_str(), MB_OK | icon);
}

std::string Win32WindowSystem::Ask(std::uint64_t ownerId, const std::string& title,
                                   const std::string& defaultFile, const std::string& filter,
                                   int filterIndex, bool save)
{
    if (!Started())
        return {};
    // "description|pattern|..." with every bar a NUL and a second NUL at the end.
    std::wstring filters = Wide(filter);
    std::replace(filters.begin(), filters.end(), L'|', L'\0');
    filters.push_back(L'\0');
    filters.push_back(L'\0');
    std::wstring folder = Wide(FolderPart(defaultFile));
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = Wide(FileNamePart(defaultFile));
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(name.size(), file.size() - 1)),
              file.begin());
    const std::wstring caption = Wide(title);
    const HWND owner = OwnerOf(ownerId);
    OPENFILENAMEW ask{};
    ask.lStructSize = sizeof ask;
    ask.hwndOwner = owner;
    ask.lpstrFilter = filters.c_str();
    ask.nFilterIndex = static_cast<DWORD>(filterIndex + 1);
    ask.lpstrFile = file.data();
    ask.nMaxFile = static_cast<DWORD>(file.size());
    ask.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ask.lpstrTitle = caption.c_str();
    ask.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&ask) : GetOpenFileNameW(&ask);
    return chosen ? Utf8(file.data()) : std::string();
}

}  // namespace vx
