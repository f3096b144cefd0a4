// Small file helpers for the Windows tests (8-bit paths).
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <string>

inline bool IsFolder(const std::string& path)
{
    return ::PathIsDirectoryA(path.c_str()) != FALSE;
}

inline bool Exists(const std::string& path)
{
    return ::PathFileExistsA(path.c_str()) != FALSE;
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The file's bytes; "<missing>" when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of the source tree, reached through drive Z: (Wine maps the Unix root there).
inline std::string SourceFile(const std::string& relative)
{
    return std::string("Z:") + PELLIS_SOURCE_DIR + "/" + relative;
}
