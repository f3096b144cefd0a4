// The file downloads of one pass over a manifest, as they run and as the
// progress dialog shows them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/content_digest.h"
#include "engine/update_context.h"

struct FetchStep {
    std::string shownName;  // in "正在下载 NAME   STEP/TOTAL" and "下载NAME 失败"
    std::string relative;   // the entry, as the run's fetched files know it
    std::string url;
    std::string target;
    FileDigests digests;
    unsigned long long listedSize;  // as the manifest lists it, 0 when it lists none
    // Runs on the pass's thread just before the download starts; false fails
    // the step without a request. May be empty.
    std::function<bool()> prepare;
};

struct StepNumbers {
    int first;  // shown for the first step
    int total;  // shown after the "/", and the overall bar's end
};

// Fetches the steps in their order, except that a large file starts early
// (engine/fetch_order.h), up to four at a time, and each file at most once per
// run: a step whose entry this run already fetched with the same digests, and
// whose file is still in place, is done without a request. Two steps into one
// target never run at once.
//
// What the user sees stays what one download after the other showed: the
// status line names a step being fetched (engine/status_line.h: its number
// never goes back), and the file bar and its percentage follow that step's
// download, both from "0%" when the line moves on. The overall bar and
// percentage move on by one as each step is fetched; a failed step does not
// move them. These follow at most ten times a second; a failed step shows its
// failure texts at once. With `stopAtFailure` nothing starts after the first
// failure, the requests in flight are closed and the pass ends at once
// without waiting for them; otherwise every step is tried. The pass ends with
// the overall display at the steps fetched, and with the first failure's
// texts or the last step's line and finished file bar.
//
// Returns how many steps were fetched.
int FetchSteps(CUpdateContext& context, const std::vector<FetchStep>& steps, StepNumbers numbers,
               bool stopAtFailure);

// "下载NAME 失败" on the status line and "下载失败" on the Cancel button.
void ShowDownloadFailure(const CUpdateContext& context, const std::string& name);
