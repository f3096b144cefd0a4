#include "tests/support/test_files.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "system/handles.h"

namespace {

// Calls `visit(name, isFolder)` for each entry of `folder` but "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA entry;
    FindHandle listing(::FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!listing)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            visit(name, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileA(listing.get(), &entry));
}

void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>* files)
{
    ForEachEntry(relative.empty() ? root : root + "\\" + relative, [&](const std::string& name, bool isFolder) {
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (isFolder)
            CollectFiles(root, path, files);
        else
            files->push_back(path);
    });
}

}  // namespace

void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryA(path.c_str(), nullptr);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes->append(buffer, read);
    return true;
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    return ReadFileBytes(path, &bytes) ? bytes : "<missing>";
}

bool IsFolder(const std::string& path)
{
    return ::PathIsDirectoryA(path.c_str()) != FALSE;
}

bool Exists(const std::string& path)
{
    return ::PathFileExistsA(path.c_str()) != FALSE;
}

std::vector<std::string> ListFiles(const std::string& root)
{
    std::vector<std::string> files;
    CollectFiles(root, "", &files);
    std::sort(files.begin(), files.end());
    return files;
}

void CopyFolder(const std::string& from, const std::string& to)
{
    MakeFolders(to);
    ForEachEntry(from, [&](const std::string& name, bool isFolder) {
        if (isFolder)
            CopyFolder(from + "\\" + name, to + "\\" + name);
        else
            ::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    });
}

void RemoveTree(const std::string& root)
{
    ForEachEntry(root, [&](const std::string& name, bool isFolder) {
        if (isFolder)
            RemoveTree(root + "\\" + name);
        else
            ::DeleteFileA((root + "\\" + name).c_str());
    });
    ::RemoveDirectoryA(root.c_str());
}

std::string WindowsPathOf(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string SourceFile(const std::string& relative)
{
    return std::string("Z:") + PELLIS_SOURCE_DIR + "/" + relative;
}
