// pellis-publish: builds and signs a release of the assistant for one bank.
// Exit codes: 0 published (or --help), 1 publishing failed and nothing was
// written, 2 bad arguments.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "system/whole_file.h"
#include "tools/publish/detached_signer.h"
#include "tools/publish/edition_list.h"
#include "tools/publish/manifest_signer.h"
#include "tools/publish/options.h"
#include "tools/publish/release_layout.h"
#include "tools/publish/release_writer.h"
#include "tools/publish/source_tree.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& why)
{
    std::fprintf(stderr, "pellis-publish: %s\n", why.c_str());
    return kExitFailed;
}

// Not refused: a first installation still places such files when their parent
// folder exists, and a bank may ship files there that never change. Only their
// updates fail.
void WarnAboutUnstagedFolders(const std::vector<SourceFile>& files)
{
    std::set<std::string> warned;
    for (const SourceFile& file : files) {
        if (!IsStagedFolder(file.path) && warned.insert(file.path).second)
            std::fprintf(stderr,
                         "pellis-publish: warning: updates cannot deliver files in \"%s\": the client stages "
                         "files only at the top level and in Data, Plugins, Script and Tools\n",
                         file.path.c_str());
    }
}

int Publish(const PublishOptions& options)
{
    const std::string signingKeyPath = options.deployDir + "/" + kSigningKeyName;
    const std::string verifyingKeyPath = options.deployDir + "/" + kVerifyingKeyName;
    std::string keyPem;
    std::string verifyingKeyPem;
    if (!ReadWholeFile(signingKeyPath, &keyPem))
        return Fail(signingKeyPath + ": cannot be read");
    if (!ReadWholeFile(verifyingKeyPath, &verifyingKeyPem))
        return Fail(verifyingKeyPath + ": cannot be read");
    std::string error;
    SigningKey key;
    if (!LoadSigningKey(keyPem, &key, &error))
        return Fail(signingKeyPath + ": " + error);

    ReleaseKeys keys{key.get(), verifyingKeyPem, nullptr, {}};
    SigningKey detachedSigning;
    const std::string detachedKeyPath = options.deployDir + "/" + kDetachedSigningKeyName;
    const std::string detachedPubPath = options.deployDir + "/" + kDetachedVerifyingKeyName;
    std::string detachedPem;
    std::string detachedPubPem;
    const bool hasDetachedKey = ReadWholeFile(detachedKeyPath, &detachedPem);
    const bool hasDetachedPub = ReadWholeFile(detachedPubPath, &detachedPubPem);
    if (hasDetachedKey != hasDetachedPub)
        return Fail(options.deployDir + ": " + kDetachedSigningKeyName + " and " + kDetachedVerifyingKeyName +
                    " come as a pair");
    if (hasDetachedKey) {
        if (!LoadDetachedKeys(detachedPem, detachedPubPem, &detachedSigning, &error))
            return Fail(options.deployDir + ": " + error);
        keys.detachedSigning = detachedSigning.get();
        keys.detachedVerifyingPem = detachedPubPem;
    }

    std::vector<SourceFile> sourceFiles;
    if (!CollectSourceFiles(options.filesDir, &sourceFiles, &error))
        return Fail(error);

    std::set<std::string> listed;
    if (!options.editionList.empty()) {
        std::string listText;
        if (!ReadWholeFile(options.editionList, &listText))
            return Fail(options.editionList + ": cannot be read");
        listed = ParseEditionList(listText);
    }
    ReleaseFiles files;
    if (!SplitByEditionList(sourceFiles, listed, &files.common, &files.edition, &error))
        return Fail(error);

    if (!WriteRelease(options, files, keys, &error))
        return Fail(error);
    WarnAboutUnstagedFolders(sourceFiles);
    std::printf("published %s for bank %x: %zu common and %zu edition files in %s\n", options.version.c_str(),
                static_cast<unsigned>(options.bankId), files.common.size(), files.edition.size(),
                options.outDir.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    PublishOptions options;
    std::string error;
    switch (ParsePublishOptions(argc, argv, &options, &error)) {
    case ParseResult::Help:
        std::fputs(kPublishUsage, stdout);
        return 0;
    case ParseResult::Invalid:
        std::fprintf(stderr, "pellis-publish: %s\nRun pellis-publish --help for the options.\n", error.c_str());
        return kExitUsage;
    case ParseResult::Publish:
        break;
    }
    return Publish(options);
}
