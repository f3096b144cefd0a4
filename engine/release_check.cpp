#include "engine/release_check.h"

#include "protocol/version_number.h"

namespace {

constexpr int kVersionFields = 4;
constexpr unsigned long kMaxVersionField = 65535;

// Exactly four dotted fields of 1 to 5 digits, each at most 65535: what the
// publisher writes. A manifest is signed, so anything else is a publishing
// mistake, never something to read generously.
bool IsReleaseVersion(const std::string& text)
{
    int fields = 1;
    size_t digits = 0;
    unsigned long value = 0;
    for (char c : text) {
        if (c == '.') {
            if (digits == 0 || ++fields > kVersionFields)
                return false;
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned long>(c - '0');
            if (++digits > 5 || value > kMaxVersionField)
                return false;
        } else {
            return false;
        }
    }
    return fields == kVersionFields && digits > 0;
}

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
    if (!IsReleaseVersion(common.version))
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
