// Bringing the files a manifest lists onto the machine: every file straight
// into the install folder in a first installation; in an update or repair run
// only those that differ from what is installed, into the staging folder.
#pragma once

#include <string>

#include "engine/content_digest.h"
#include "engine/update_context.h"

enum ManifestKind { kCommonManifest, kEditionManifest };

// Walks this run's manifest of that kind (the entries DownloadConfiguration
// accepted) and fetches what it lists, up to four files at a time
// (FetchSteps), reporting on the progress dialog.
// 1 when every needed file was fetched or nothing was needed, 0 when one
// failed. An entry that would leave the install folder, or lists no digest,
// counts as a failed download; every fetched file must have its listed digests.
// A first installation stops at the first failure; an update or repair run
// fetches the rest. An update or repair run compares with the previous
// installed manifest while the run's manifests wait beside the staged files,
// and with the files alone once they went over the installed ones.
// Update and repair runs append to `changedFiles`, and the
// edition pass steps again through what the common pass collected, showing
// each as fetched; a file this run already fetched with the same digests and
// still in place is not transferred again.
int ProcessManifest(CUpdateContext& context, ManifestKind which);

// Entries of the installed manifest of that kind: this run's once its
// manifests went into the install folder; 0 when missing or not XML.
int CountManifestEntries(const CUpdateContext& context, ManifestKind which);

// Renames the downloader in `folder` to "pellis_old.exe", so that the run can
// replace the program that may be running it.
void MoveAsideDownloader(const std::string& folder);

// 1 with `digest` set to the file's base64 SHA-1; 0 (`digest` untouched) when
// no readable file is at `path`.
int FileDigest(const std::string& path, std::string* digest);

// 0 when the file at `path` has the digests a manifest entry lists (its SHA-1,
// and its SHA-256 where the entry gives one); 1 otherwise, also when it is
// missing or unreadable.
int FileDiffers(const std::string& path, const FileDigests& listed);
