// Names of the manifests in the download area and the install folder, and of
// the staging folder below the install folder.
#pragma once

#include <cstdint>
#include <string>

// The common manifest, listing the files every edition installs.
extern const char kCommonManifestFileName[];

// Where an update or repair collects the files it fetched before they are
// copied into place; emptied after every update.
extern const char kStagingFolderName[];

// The fixed folders of the install tree (and of the staging folder) that
// hold files below the top level.
extern const char* const kInstallSubFolders[4];

// "Digest_%0.3x.xml": at least three lower-case hexadecimal digits, so 0x811
// gives "Digest_811.xml" and 0x1f "Digest_01f.xml".
std::string EditionManifestName(uint32_t bankId);
