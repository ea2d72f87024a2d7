// The platform on Windows, what its parts share: the system's header, UTF-8
// and UTF-16, the paths and the error texts of the wide services
// (Win32Text.cpp), and the scoped types that own the system's handles.
// Files and folders over KERNEL32 (Win32Files.cpp), JPEG and PNG through the
// Windows Imaging Component (Win32Pictures.cpp), the window system over
// USER32, COMCTL32, GDI32 and COMDLG32 (Win32Window*.cpp, Win32Window.h),
// the system's services beside them (SystemServices.cpp). Never included
// outside this folder.
//
// Every GDI object, device context and kernel handle the platform keeps is
// held by one of the scoped types below, which gives it back to the system
// when its owner goes, on every path; an object selected into a device
// context is put back by a SelectedObject.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <objbase.h>
// The platform's operations keep their own names: the system's wide
// functions are called by their W names.
#undef DrawText
#undef ReplaceFile

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace vx {

// UTF-8 and UTF-16, as the system's wide services take them.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The path as the wide services take it: backslashes, and made absolute with
// the \\?\ prefix when it is too long for the plain form.
std::wstring SystemPath(const std::string& path);
// The system's words for a GetLastError code ("error N" when it has none);
// SystemErrorText (SystemServices.h) takes the same code as an int.
std::string ErrorText(DWORD code);

// --- Scoped handles -------------------------------------------------------------------

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <class Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

// A device context of our own (CreateCompatibleDC), deleted with its owner.
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A kernel handle (a file), closed with its owner. CreateFileW's
// INVALID_HANDLE_VALUE is kept as no handle.
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using KernelHandle = std::unique_ptr<void, HandleCloser>;
inline KernelHandle OwnHandle(HANDLE handle)
{
    return KernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// Memory the system allocated for us (FormatMessageW, CommandLineToArgvW).
struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};
template <class T>
using LocalMemory = std::unique_ptr<T, LocalFreer>;

// Selects the object into the device context for as long as the scope
// lasts; the previous object is put back on scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// COM for this thread for as long as the scope lasts. A thread that has it
// already keeps it; one that cannot have it gets the error of the first
// call that needs it.
class ComScope {
public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope()
    {
        if (started_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

}  // namespace vx
