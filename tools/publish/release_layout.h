// Names inside a release folder and a deployment folder.
//
//   RELEASE_DIR/release.json   what the bank's server answers: bank, v, update, url
//   RELEASE_DIR/download/      served below the download URL: the two signed
//                              manifests and every listed file at its relative path
#pragma once

#include <cstdint>
#include <string>

extern const char kReleaseInfoName[];
extern const char kDownloadFolderName[];
extern const char kCommonManifestName[];
extern const char kSigningKeyName[];
extern const char kVerifyingKeyName[];

// The client's staging folder below the install folder; it empties it after
// every update.
extern const char kStagingFolderName[];

// Whether an update can deliver a file in folder `path` (EntryName form): the
// client stages files only at the top level and in the fixed folders Data,
// Plugins, Script and Tools; a download into any other staged folder fails.
bool IsStagedFolder(const std::string& path);

// "Digest_" + at least three lower-case hex digits + ".xml": bank 0x811 gives
// "Digest_811.xml", 0x1f "Digest_01f.xml".
std::string EditionManifestName(uint32_t bankId);
