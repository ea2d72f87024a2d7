// Services of the system beside the platform interface, as free functions:
// digests, the user's data folder, private folders, a file's stamp by its
// path, renaming, the terminal, the interrupt key and the end of the input.
//
// One implementation per system: qt/SystemServices.cpp (POSIX, with
// OpenSSL's libcrypto for the digest) and win32/SystemServices.cpp (KERNEL32,
// BCrypt, SHELL32). Paths and texts are UTF-8; nothing here throws.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "toolkit/FileSystem.h"

namespace vx {

// --- Digests ---------------------------------------------------------------------

using Sha256Digest = std::array<std::uint8_t, 32>;

// The SHA-256 of the bytes.
Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

// --- Files and folders -----------------------------------------------------------

// Where the program keeps the user's own data, with a trailing separator:
// $XDG_DATA_HOME/vxanalyser/ (~/.local/share/vxanalyser/ when the variable
// is unset or not an absolute path) on Linux, %LOCALAPPDATA%\vxanalyser\ on
// Windows. Empty when the system names no such place.
std::string UserDataFolder();

// Creates the folder and those above it that are missing, each readable and
// writable by the user alone (0700 on Linux; Windows keeps its own rights).
// Folders that exist already keep their permissions.
bool MakePrivateFolders(const std::string& folder, std::string& error);

// The stamp of the regular file at path (links followed), as StampOf gives
// it once the file is open; none when there is no regular file there. Made
// where the platform makes every stamp (qt/PosixFiles.cpp,
// win32/Win32Files.cpp).
std::optional<FileStamp> StampOfPath(const std::string& path);

// Gives the file (or folder) at from the name to; fails, with the reason in
// error, when to exists already.
bool RenamePath(const std::string& from, const std::string& to, std::string& error);

// The system's words for an error number of its own (errno on Linux, a
// GetLastError code on Windows).
std::string SystemErrorText(int code);

// --- The console -----------------------------------------------------------------

// Whether the error output goes to a terminal (a console on Windows), where a
// line of progress can be rewritten in place.
bool ErrorOutputIsTerminal();

// From this call on, the interrupt key (Ctrl+C) no longer ends the process:
// it sets a flag that the work in progress looks at between two steps.
void CatchInterrupts();
// Whether the interrupt key was pressed since CatchInterrupts.
bool InterruptRequested();

// Waits up to milliseconds for the standard input to end (the end of a pipe
// or a file, Ctrl+D on a terminal, Ctrl+Z in a Windows console), reading and
// dropping whatever comes meanwhile. Ended once the input has ended (and at
// every call after); Interrupted at once when the interrupt key is pressed,
// before the wait or during it; TimedOut otherwise. An input that is not
// there at all never ends.
enum class InputWait { Ended, Interrupted, TimedOut };
InputWait WaitForEndOfInput(int milliseconds);

}  // namespace vx
