#include "tools/publish/release_writer.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/content_digest.h"
#include "protocol/detached_signature.h"
#include "protocol/signed_file.h"
#include "protocol/version_answer.h"
#include "tools/publish/detached_signer.h"
#include "tools/publish/manifest_writer.h"
#include "tools/publish/release_info.h"
#include "tools/publish/release_layout.h"

namespace fs = std::filesystem;

namespace {

const char kStagingSuffix[] = ".partial-XXXXXX";
constexpr fs::perms kReleaseFolderPermissions = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                fs::perms::others_read | fs::perms::others_exec;

// The unfinished release beside the target; removed unless it was moved into
// place, so a failed run leaves nothing behind.
class StagingFolder {
public:
    StagingFolder() = default;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    ~StagingFolder()
    {
        std::error_code ec;
        if (!path_.empty())
            fs::remove_all(path_, ec);
    }

    bool Create(const fs::path& target)
    {
        std::string name = (target.parent_path() / ("." + target.filename().string() + kStagingSuffix)).string();
        if (mkdtemp(name.data()) == nullptr)
            return false;
        path_ = name;
        // mkdtemp makes the folder private; the release is there to be served.
        std::error_code ec;
        fs::permissions(path_, kReleaseFolderPermissions, ec);
        return !ec;
    }

    bool MoveTo(const fs::path& target, std::error_code* ec)
    {
        fs::rename(path_, target, *ec);
        if (*ec)
            return false;
        path_.clear();
        return true;
    }

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

bool Fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool WriteWholeFile(const fs::path& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    return out.good();
}

// The release folder must be new: an old release in it could be served half
// replaced. An empty folder is taken, rename() replaces it whole.
bool CheckTarget(const fs::path& target, std::string* error)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(target, ec);
    if (!fs::exists(status))
        return true;
    if (fs::is_directory(status) && fs::is_empty(target, ec) && !ec)
        return true;
    return Fail(error, target.string() + " already exists and is not an empty folder");
}

// Names the client uses for itself in the install folder, compared as Windows
// does, without regard to case: a file named like a manifest would be
// overwritten by it; files in the staging folder are deleted after an update.
bool CheckReservedNames(const ReleaseFiles& files, const std::string& editionManifest, std::string* error)
{
    const std::string manifests[] = {Lower(kCommonManifestFileName), Lower(editionManifest)};
    const std::string stagingPrefix = Lower(kStagingFolderName) + "/";
    for (const auto* list : {&files.common, &files.edition}) {
        for (const SourceFile& file : *list) {
            const std::string name = Lower(file.relative);
            if (std::find(std::begin(manifests), std::end(manifests), name) != std::end(manifests))
                return Fail(error, "\"" + file.relative + "\": a file may not take a manifest's name");
            if (name.rfind(stagingPrefix, 0) == 0)
                return Fail(error, "\"" + file.relative + "\": the client's staging folder " + kStagingFolderName +
                                       " may not hold files of the assistant");
        }
    }
    return true;
}

// Copies the files into the download folder and digests the copies, so the
// manifest describes exactly the bytes that are served.
bool CopyAndDigest(const std::string& sourceRoot, const fs::path& downloadDir, const std::vector<SourceFile>& files,
                   std::vector<ManifestEntry>* entries, std::string* error)
{
    for (const SourceFile& file : files) {
        const fs::path target = downloadDir / file.relative;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (!ec)
            fs::copy_file(fs::path(sourceRoot) / file.relative, target, ec);
        if (ec)
            return Fail(error, "\"" + file.relative + "\": " + ec.message());
        FileDigests digests;
        if (!DigestsOfFile(target.string(), &digests))
            return Fail(error, "\"" + file.relative + "\": cannot be read");
        const auto size = fs::file_size(target, ec);
        if (ec)
            return Fail(error, "\"" + file.relative + "\": " + ec.message());
        entries->push_back({file.path, file.fileName, digests.sha1, digests.sha256, size});
    }
    return true;
}

bool WriteManifestFile(const fs::path& target, const ManifestText& text, const ReleaseKeys& keys,
                       std::string* error)
{
    std::string signedFile;
    std::string why;
    if (!SignManifest(keys.signing, text, &signedFile, &why))
        return Fail(error, target.filename().string() + ": " + why);
    // Catches a deployment folder whose two keys do not belong together before
    // every client refuses the release.
    if (!VerifySignedContents(keys.verifyingPem, signedFile))
        return Fail(error, std::string(kSigningKeyName) + " does not match " + kVerifyingKeyName +
                               ": the signed manifest fails the client's check");
    if (!WriteWholeFile(target, signedFile))
        return Fail(error, target.string() + ": cannot be written");
    if (!keys.detachedSigning)
        return true;

    std::string signature;
    if (!SignDetached(keys.detachedSigning, signedFile, &signature, &why))
        return Fail(error, target.filename().string() + ": " + why);
    if (!VerifyDetachedSignature(keys.detachedVerifyingPem, signedFile, signature))
        return Fail(error, target.filename().string() + kDetachedSignatureSuffix + ": fails its own check");
    const fs::path sigPath = target.string() + kDetachedSignatureSuffix;
    if (!WriteWholeFile(sigPath, signature))
        return Fail(error, sigPath.string() + ": cannot be written");
    return true;
}

}  // namespace

bool WriteRelease(const PublishOptions& options, const ReleaseFiles& files, const ReleaseKeys& keys,
                  std::string* error)
{
    const std::string editionManifest = EditionManifestName(options.bankId);
    fs::path target = fs::absolute(options.outDir).lexically_normal();
    if (!target.has_filename())
        target = target.parent_path();
    if (!CheckReservedNames(files, editionManifest, error) || !CheckTarget(target, error))
        return false;

    StagingFolder staging;
    if (!staging.Create(target))
        return Fail(error, target.parent_path().string() + ": cannot create a folder there");
    const fs::path downloadDir = staging.path() / kDownloadFolderName;
    std::error_code ec;
    if (!fs::create_directory(downloadDir, ec))
        return Fail(error, downloadDir.string() + ": " + ec.message());

    const std::pair<const std::vector<SourceFile>*, std::string> manifests[] = {
        {&files.common, kCommonManifestFileName}, {&files.edition, editionManifest}};
    const ReleaseIdentity release{options.version, VersionQueryMessage(options.bankId)};
    for (const auto& [list, name] : manifests) {
        std::vector<ManifestEntry> entries;
        if (!CopyAndDigest(options.filesDir, downloadDir, *list, &entries, error) ||
            !WriteManifestFile(downloadDir / name, WriteManifest(release, entries), keys, error))
            return false;
    }
    if (!WriteWholeFile(staging.path() / kReleaseInfoName, ReleaseInfoJson(options)))
        return Fail(error, std::string(kReleaseInfoName) + ": cannot be written");

    if (!staging.MoveTo(target, &ec))
        return Fail(error, target.string() + ": " + ec.message());
    return true;
}
