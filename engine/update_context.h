// The record of one install, update or repair run: what the server answered,
// where the files go and come from, and the progress dialog's overall display.
// Created by the progress dialog on the user-interface thread, then handed to
// the install worker, which alone uses it from then on and destroys it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/content_digest.h"
#include "engine/manifest.h"
#include "engine/run_mode.h"
#include "protocol/version_answer.h"
#include "system/file_name_order.h"
#include "system/handles.h"

struct CUpdateContext {
    // Empty `serverUrlValue` or `installFolder` fall back to the values
    // "ServerURL" and "Path" of the group key "Software\Quillon\WebUI\" +
    // groupCode (empty when missing). Initialises COM on the calling thread.
    CUpdateContext(HWND dialog, const std::string& groupCode, RunMode runMode, const std::string& serverUrlValue,
                   UpdateMode updateMode, const std::string& serverVersion, const std::string& installFolder);
    ~CUpdateContext();
    CUpdateContext(const CUpdateContext&) = delete;
    CUpdateContext& operator=(const CUpdateContext&) = delete;

    UpdateMode updateMode;
    std::string groupCode, downloadUrl, installPath, serverVersion, stagingPath;
    // The release the checked manifests name; the answer's version until
    // they are checked, and for releases whose manifests name none.
    std::string releaseVersion;
    int32_t totalSteps = 0, currentStep = 1;
    // URLs joined with "/", paths with "\", nothing normalised: a URL ending
    // in "/" gives "//" before the file name.
    std::string commonManifestUrl, editionManifestUrl, stagedCommonManifest, stagedEditionManifest,
                installedCommonManifest, installedEditionManifest;
    RunMode runMode;
    // This run's manifests as DownloadConfiguration accepted them, parsed
    // from the bytes it checked, and where it wrote them: beside the staged
    // files, or over the installed ones. The passes walk these entries.
    std::vector<ListedFile> commonEntries, editionEntries;
    bool manifestsStaged = false;
    HWND dialog;        // the progress dialog's window (not owned)
    HWND overallBar;    // its control 1022
    HWND overallText;   // its control 1024
    std::vector<std::string> changedFiles;  // relative entries to fetch; only ever appended to
    // Relative entries this run fetched and checked, with the digests they
    // were checked against: a later pass that lists one again with the same
    // digests finds it in place instead of fetching it a second time. Keyed
    // as Windows names files, without regard to case.
    std::map<std::string, FileDigests, FileNameLess> fetchedFiles;

private:
    ScopedComInit com_;  // last: COM comes up once the record is complete
};
