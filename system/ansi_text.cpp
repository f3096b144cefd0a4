#include "system/ansi_text.h"

#include <windows.h>

std::string Utf8ToAnsi(const std::string& text)
{
    if (text.empty())
        return text;
    const int size = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], wideLength);
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string result(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &result[0], length, nullptr, nullptr);
    return result;
}
