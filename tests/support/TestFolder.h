// Scratch folders and small file helpers for the Windows tests.
#pragma once

#include <string>

#include "tests/support/ScratchDir.h"

// A new, empty folder under the system's temporary folder, its name ending
// in nameEnding, removed with all its contents when the object dies. Path()
// ends with "\".
class TestFolder {
public:
    explicit TestFolder(const std::string& nameEnding = "");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Makes folder the current directory for the lifetime of the object.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::string previous_;
};

void RemoveTree(const std::string& folder);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The folder of the running test program, ending with "\".
std::string ProgramFolder();
