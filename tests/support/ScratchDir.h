// Portable scratch folders and files for the tests that run both natively
// and under Wine.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder path ending with the platform's separator, ready for
    // concatenation with a file name.
    std::string Folder() const;
    std::string File(const std::string& name) const { return Folder() + name; }
    // Names of the entries, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
