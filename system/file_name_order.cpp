#include "system/file_name_order.h"

#include <windows.h>

namespace {

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
    return wide;
}

// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN.
int Compare(const std::string& left, const std::string& right)
{
    const std::wstring a = Wide(left);
    const std::wstring b = Wide(right);
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
}

}  // namespace

bool FileNameLess::operator()(const std::string& left, const std::string& right) const
{
    return Compare(left, right) == CSTR_LESS_THAN;
}

bool SameFileName(const std::string& left, const std::string& right)
{
    return Compare(left, right) == CSTR_EQUAL;
}
