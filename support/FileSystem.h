// File-system helpers shared by start-up, the log folder and the plugin
// manager. Folder paths end with "\"; file paths are a folder path followed by
// a file name. None of them throws; failures show in the result.
#pragma once

#include <string>
#include <vector>

#include "support/FileNames.h"
#include "support/Win32.h"

// The process's current directory ending with "\", or empty when it cannot be read.
std::string GetCurrentFolder();

// Creates every missing folder of the path, outermost first. False for an empty
// path or a folder name the system calls invalid; other failures (the folder
// exists, a drive root, access denied) are passed over, so true does not prove
// that the innermost folder exists.
bool CreateFolderPath(std::string folderPath);

// The entries of folderPath matching pattern ("*.*" when empty), in the order
// the system lists them, "." and ".." included when they match; empty when
// nothing matches or no search could be opened.
std::vector<WIN32_FIND_DATAA> FindFiles(std::string folderPath, std::string pattern);
