// Scratch folders and small file helpers for the tests, portable so that the
// same tests run natively and under Wine.
#pragma once

#include <string>
#include <vector>

// A new, empty folder under the system's temporary folder, removed with all
// its contents when the object dies. Path() ends with the separator.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }
    std::vector<std::string> Entries() const;

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

// Names of the entries of folder, sorted; none when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);
// Removes folder and everything in it, read-only files too.
void RemoveTree(const std::string& folder);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
#ifdef _WIN32
// The folder of the running test program, ending with "\".
std::string ProgramFolder();
#endif
