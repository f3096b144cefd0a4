#include "engine/install_folders.h"

#include "engine/manifest_names.h"
#include "engine/update_context.h"
#include "system/folder_tree.h"

bool CreateInstallFolders(const CUpdateContext& context)
{
    for (const char* folder : kInstallSubFolders)
        CreateFolderTree(context.installPath + "\\" + folder);
    CreateFolderTree(context.stagingPath);
    for (const char* folder : kInstallSubFolders)
        CreateFolderTree(context.stagingPath + "\\" + folder);
    return true;
}
