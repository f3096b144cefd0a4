// Who may modify an install folder: the decision over security descriptors
// written as SDDL (Wine keeps no descriptors of its own, it rebuilds them from
// the Unix mode bits), and the install-folder choice that uses it.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <ostream>
#include <string>

#include "engine/install_folders.h"
#include "system/folder_security.h"
#include "system/folder_tree.h"
#include "system/handles.h"
#include "tests/support/test_files.h"

namespace {

struct SddlCase {
    const char* why;
    std::string sddl;
    bool othersMayModify;
};

std::ostream& operator<<(std::ostream& out, const SddlCase& c)
{
    return out << c.why << ": " << c.sddl;
}

class FolderSecurity : public ::testing::TestWithParam<SddlCase> {};

TEST_P(FolderSecurity, OnlySystemAndAdministratorsMayModify)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(GetParam().sddl.c_str(), SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    const UniqueLocal owned(descriptor);
    EXPECT_EQ(LetsOthersModify(descriptor), GetParam().othersMayModify);
}

const std::string kProgramFilesLike =
    "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
    "D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)(A;;FA;;;SY)(A;;FA;;;BA)"
    "(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)";

INSTANTIATE_TEST_SUITE_P(
    Descriptors, FolderSecurity,
    ::testing::Values(
        SddlCase{"the program's own protected folder", kProtectedFolderSddl, false},
        SddlCase{"owned by the administrators", std::string("O:BA") + kProtectedFolderSddl, false},
        SddlCase{"Program Files as Windows sets it", kProgramFilesLike, false},
        SddlCase{"owned by Users, who may rewrite the DACL", std::string("O:BU") + kProtectedFolderSddl, true},
        SddlCase{"new folder at a drive root: Authenticated Users modify", "D:AI(A;OICIID;0x1301bf;;;AU)(A;OICIID;FA;;;SY)",
                 true},
        SddlCase{"Users may add files", "D:P(A;;FA;;;SY)(A;;0x1200ab;;;BU)", true},
        SddlCase{"Everyone may change permissions", "D:P(A;;FA;;;SY)(A;;WD;;;WD)", true},
        SddlCase{"Users may modify what is created inside", "D:P(A;;FA;;;SY)(A;OICIIO;SDGWGR;;;BU)", true},
        SddlCase{"CREATOR OWNER on the folder itself", "D:P(A;;FA;;;SY)(A;;FA;;;CO)", true},
        SddlCase{"a denial takes nothing away from the verdict", "D:P(A;;FA;;;SY)(D;;FA;;;BU)", false}));

// Built by hand: Wine's SDDL reader makes "D:NO_ACCESS_CONTROL" an empty DACL,
// which grants nothing, where Windows makes no DACL, which grants everything.
TEST(FolderSecurityWithoutDacl, LetsEveryoneModify)
{
    SECURITY_DESCRIPTOR descriptor{};
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    EXPECT_TRUE(LetsOthersModify(&descriptor));
}

TEST(InstallFolder, ProgramFilesAndItsChildrenAreKeptAsWindowsSetsThem)
{
    char root[MAX_PATH] = {};
    ASSERT_EQ(::GetEnvironmentVariableA("ProgramFiles(x86)", root, MAX_PATH) > 0 ||
                  ::GetEnvironmentVariableA("ProgramFiles", root, MAX_PATH) > 0,
              true);
    const std::string programFiles = root;
    EXPECT_TRUE(IsUnderProgramFiles(programFiles));
    EXPECT_TRUE(IsUnderProgramFiles(programFiles + "\\Aldmoor\\Pellisor"));
    EXPECT_FALSE(IsUnderProgramFiles(programFiles + "x\\Pellisor"));
    EXPECT_FALSE(IsUnderProgramFiles("C:\\Aldmoor\\Pellisor"));
    EXPECT_TRUE(IsAcceptableInstallFolder(programFiles));
}

// A folder made with the permissions it inherits may be changed by users
// (Windows: Authenticated Users may modify below a drive root; Wine: the
// folder's Unix owner, the signed-in user, has full control).
TEST(InstallFolder, AnExistingFolderThatUsersMayModifyIsRefused)
{
    const std::string existing = "C:\\install-folder-choice\\existing";
    ASSERT_TRUE(CreateFolderTree(existing));
    EXPECT_FALSE(IsAcceptableInstallFolder(existing));
    EXPECT_TRUE(IsAcceptableInstallFolder(existing + "\\not yet made")) << "made protected when it is created";
}

TEST(InstallFolder, ProtectedTreeIsMadeAndLaterFoldersInside)
{
    const std::string tree = "C:\\protected-tree\\a\\b";
    ASSERT_TRUE(CreateProtectedFolderTree(tree));
    EXPECT_TRUE(IsFolder(tree));
    EXPECT_TRUE(CreateProtectedFolderTree(tree)) << "an existing tree is left as it is";
}

}  // namespace
