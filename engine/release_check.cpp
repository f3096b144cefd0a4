#include "engine/release_check.h"

#include "protocol/version_number.h"

namespace {

bool Same(const VersionNumber& a, const VersionNumber& b) { return !(a < b) && !(b < a); }

}  // namespace

ReleaseVerdict CheckRelease(const ReleaseFacts& facts)
{
    const ManifestRelease& common = facts.common;
    const ManifestRelease& edition = facts.edition;
    if (common.named != edition.named)
        return ReleaseVerdict::Mixed;
    if (!common.named)
        return facts.installedNamed ? ReleaseVerdict::Unnamed : ReleaseVerdict::Accepted;
    if (common.version != edition.version || common.bank != edition.bank)
        return ReleaseVerdict::Mixed;
    if (common.bank != facts.bank)
        return ReleaseVerdict::OtherBank;
    if (!IsReleaseVersionText(common.version))
        return ReleaseVerdict::Malformed;

    const VersionNumber release = ParseVersion(common.version);
    if (!Same(release, ParseVersion(facts.answerVersion)))
        return ReleaseVerdict::NotAnnounced;
    if (facts.mode != kRunModeInstall && !facts.installedVersion.empty()) {
        const VersionNumber installed = ParseVersion(facts.installedVersion);
        const bool allowed = facts.mode == kRunModeRepair ? !(release < installed) : installed < release;
        if (!allowed)
            return ReleaseVerdict::Rollback;
    }
    return ReleaseVerdict::Accepted;
}

const char* ReleaseVerdictText(ReleaseVerdict verdict)
{
    switch (verdict) {
    case ReleaseVerdict::Accepted: return "accepted";
    case ReleaseVerdict::Mixed: return "the manifests name different releases";
    case ReleaseVerdict::OtherBank: return "the release is signed for another bank";
    case ReleaseVerdict::Malformed: return "the manifests' release version is malformed";
    case ReleaseVerdict::NotAnnounced: return "the release is not the version the answer announced";
    case ReleaseVerdict::Rollback: return "the release is older than the installed one";
    case ReleaseVerdict::Unnamed: return "the manifests name no release, the installed ones do";
    }
    return "unknown";
}
