#include "system/whole_file.h"

#include <fstream>
#include <iterator>

bool ReadWholeFile(const std::string& path, std::string* contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    *contents = std::move(data);
    return true;
}
