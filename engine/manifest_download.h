// Fetching the run's two signed manifests and checking their signatures and
// the release they name.
#pragma once

#include "engine/update_context.h"

// The common, then the edition manifest, each fetched into memory and checked
// there against the built-in signing key and, in a deployment with an Ed25519
// key, against its ".sig", fetched beside it. Then the release both name must
// pass CheckRelease. Only then are they written: an update or repair run that
// finds both manifests of the previous installation stages the new ones
// beside the staged files; otherwise they go straight into the install
// folder. The context then holds their entries (`commonEntries`,
// `editionEntries`), where they went (`manifestsStaged`), and in
// `releaseVersion` the version they name. 1 when all of that holds; 0 at the
// first check that fails, with nothing written.
int DownloadConfiguration(CUpdateContext& context);
