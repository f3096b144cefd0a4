// Fetching the run's two signed manifests and checking their signatures and
// the release they name.
#pragma once

#include "engine/update_context.h"

// The common, then the edition manifest. An update or repair run that finds
// both manifests of the previous installation stages the new ones beside the
// staged files; otherwise they go straight into the install folder. Each is
// checked against the built-in signing key right after it arrives, and, in a
// deployment with an Ed25519 key, against its ".sig", fetched beside it. Then
// the release both name must pass CheckRelease; `releaseVersion` becomes the
// version they name. 1 when all of that holds; 0 at the first check that
// fails (a file that fails its check stays where it was written).
int DownloadConfiguration(CUpdateContext& context);
