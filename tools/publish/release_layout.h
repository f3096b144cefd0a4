// Names inside a release folder and a deployment folder.
//
//   RELEASE_DIR/release.json   what the bank's server answers: bank, v, update, url
//   RELEASE_DIR/download/      served below the download URL: the two signed
//                              manifests and every listed file at its relative path
#pragma once

#include <string>

#include "engine/manifest_names.h"

extern const char kReleaseInfoName[];
extern const char kDownloadFolderName[];
extern const char kSigningKeyName[];
extern const char kVerifyingKeyName[];

// Whether an update can deliver a file in folder `path` (EntryName form): the
// client stages files only at the top level and in the fixed folders Data,
// Plugins, Script and Tools; a download into any other staged folder fails.
bool IsStagedFolder(const std::string& path);
