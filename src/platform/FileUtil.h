#pragma once

#include "platform/Error.h"

#include <string>
#include <sys/types.h>

// Small file-system helpers shared by the stores of the program. Folder results end with '/'.

// The folder path ending with '/' (an empty path stays empty).
std::string WithSlash(std::string path);

// $HOME, else the password database's home folder.
std::string UserHome();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config/.
std::string UserConfigHome();
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share/.
std::string UserDataHome();

// Creates the folder and its missing parents with the given mode. Succeeds when the folder exists
// afterwards; else Io with the system's words for why (BadInput for an empty path).
Status MakeFolders(const std::string& path, mode_t mode = 0700);

// Replaces the file with the bytes so that a crash or a full disk leaves either the old or the new
// file whole: a temporary file in the same folder, flushed and synced, then renamed over the old one.
// On failure the old file is untouched.
Status WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t mode = 0600);

// Reads a whole file of at most maxBytes. Fails with NotFound when there is no such file, BadInput
// when it is too large, else Io.
Result<std::string> ReadWholeFile(const std::string& path, size_t maxBytes);

// Renames a damaged file out of the way, never over an earlier one: to base + "-" + the local date
// and time + extension, with "-2", "-3", ... before the extension while that name is taken. Gives the
// new name; on failure the file is where it was.
Result<std::string> MoveAside(const std::string& path, const std::string& base, const std::string& extension);
