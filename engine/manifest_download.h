// Fetching the run's two signed manifests and checking their signatures.
#pragma once

#include "engine/update_context.h"

// The common, then the edition manifest. An update or repair run that finds
// both manifests of the previous installation stages the new ones beside the
// staged files; otherwise they go straight into the install folder. Each is
// checked against the built-in signing key right after it arrives. 1 when
// both arrived and verified; 0 at the first that did not (a file that fails
// its check stays where it was written).
int DownloadConfiguration(CUpdateContext& context);
