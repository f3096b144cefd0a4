// Whether a pair of freshly downloaded manifests, whose signatures passed, may
// be installed in this run. The version answer is not authenticated (anyone
// who can answer in the bank's place chooses v, the update mode and the
// download URL), so the release the manifests name inside their signed bytes
// decides:
//   - both manifests name the same release of this build's bank;
//   - that release is the one the answer announced;
//   - an update needs a release newer than the installed one, a repair one not
//     older (no rollback to an older, validly signed release);
//   - once the installed manifests name their release, manifests that name
//     none are refused (no way back to the weaker form).
#pragma once

#include <string>

#include "engine/manifest.h"
#include "engine/run_mode.h"

struct ReleaseFacts {
    ManifestRelease common;        // the new common manifest
    ManifestRelease edition;       // the new edition manifest
    bool installedNamed = false;   // the installed manifests name their release
    std::string answerVersion;     // "v" of the version answer
    std::string installedVersion;  // "Version" in the registry; empty when none
    std::string bank;              // the build's bank id as the query sends it
    RunMode mode = kRunModeInstall;
};

enum class ReleaseVerdict {
    Accepted,
    Mixed,         // the two manifests name different releases, or only one names any
    OtherBank,     // signed for another bank
    Malformed,     // a Version that is not four dotted decimal fields
    NotAnnounced,  // not the release the answer named
    Rollback,      // an update to a release not newer, or a repair to an older one
    Unnamed,       // nameless manifests after named ones were installed
};

ReleaseVerdict CheckRelease(const ReleaseFacts& facts);

// A short English reason for the diagnostics.
const char* ReleaseVerdictText(ReleaseVerdict verdict);
