#include "system/link_checks.h"

#include <vector>

#include "system/split_string.h"

bool IsPlainFile(const LinkFacts& facts)
{
    return facts.exists && !facts.folder && !facts.reparsePoint && facts.links == 1;
}

bool IsPlainFolder(const LinkFacts& facts)
{
    return facts.exists && facts.folder && !facts.reparsePoint;
}

namespace {

LinkFacts FactsOf(HANDLE file, DWORD attributesOfName)
{
    LinkFacts facts;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information))
        return facts;
    // The name's own attributes as well: a reparse point that the platform
    // resolved while opening still shows in them.
    const DWORD attributes = information.dwFileAttributes | attributesOfName;
    facts.exists = true;
    facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.links = information.nNumberOfLinks;
    return facts;
}

DWORD AttributesOfName(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

}  // namespace

LinkFacts ReadLinkFacts(const std::string& path)
{
    const UniqueHandle opened(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                            nullptr));
    return opened ? FactsOf(opened.get(), AttributesOfName(path)) : LinkFacts();
}

LinkFacts ReadLinkFacts(HANDLE file, const std::string& path)
{
    return FactsOf(file, AttributesOfName(path));
}

bool IsPlainFolderChain(const std::string& root, const std::string& relative)
{
    std::string folder = root;
    if (!IsPlainFolder(ReadLinkFacts(folder)))
        return false;
    if (relative.empty())
        return true;
    for (const std::string& piece : SplitString(relative, "\\")) {
        if (piece.empty())
            continue;
        folder += "\\" + piece;
        if (!IsPlainFolder(ReadLinkFacts(folder)))
            return false;
    }
    return true;
}

UniqueHandle OpenPlainFile(const std::string& path, DWORD access)
{
    UniqueHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !IsPlainFile(FactsOf(file.get(), AttributesOfName(path))))
        return UniqueHandle();
    return file;
}
