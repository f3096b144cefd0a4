#include "system/shell_link.h"

#include <shlobj.h>

#include <memory>

namespace {

constexpr size_t kLinkPathCapacity = 260;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComObject = std::unique_ptr<T, ComRelease>;

}  // namespace

bool CreateShortcut(const std::string& target, const std::string& folder, const std::string& linkName)
{
    IShellLinkA* rawLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&rawLink))))
        return false;
    ComObject<IShellLinkA> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
        return false;
    ComObject<IPersistFile> file(rawFile);

    link->SetPath(target.c_str());
    const std::string linkPath = folder + "\\" + linkName;
    WCHAR widePath[kLinkPathCapacity] = {};
    if (::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, kLinkPathCapacity) == 0)
        return false;
    return SUCCEEDED(file->Save(widePath, FALSE));
}

bool GetQuickLaunchFolder(LPITEMIDLIST itemList, std::string* path)
{
    char buffer[MAX_PATH] = {};
    const bool found = ::SHGetPathFromIDListA(itemList, buffer) != FALSE;
    ::CoTaskMemFree(itemList);
    if (!found)
        return false;
    *path = std::string(buffer) + "\\Microsoft\\Internet Explorer\\Quick Launch";
    return true;
}

void NotifyFolderCreated(const std::string& folder)
{
    constexpr UINT kFlags = SHCNF_PATHA | SHCNF_FLUSH;
    ::SHChangeNotify(SHCNE_MKDIR | SHCNE_INTERRUPT, kFlags, folder.c_str(), nullptr);
    const std::string parent = folder.substr(0, folder.rfind('\\'));
    ::SHChangeNotify(SHCNE_UPDATEDIR | SHCNE_INTERRUPT, kFlags, parent.c_str(), nullptr);
}
