#include "engine/install_folders.h"

#include <windows.h>

#include "engine/manifest_names.h"
#include "engine/update_context.h"
#include "system/folder_security.h"
#include "system/folder_tree.h"
#include "system/link_checks.h"

bool IsAcceptableInstallFolder(const std::string& path)
{
    const LinkFacts facts = ReadLinkFacts(path);
    if (!facts.exists && ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!IsPlainFolder(facts))
        return false;
    return IsUnderProgramFiles(path) || !FolderLetsOthersModify(path);
}

bool CreateInstallFolders(const CUpdateContext& context)
{
    for (const char* folder : kInstallSubFolders)
        CreateFolderTree(context.installPath + "\\" + folder);
    CreateFolderTree(context.stagingPath);
    for (const char* folder : kInstallSubFolders)
        CreateFolderTree(context.stagingPath + "\\" + folder);
    return true;
}
