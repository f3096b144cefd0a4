#include "engine/fetch_steps.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <optional>

#include "engine/fetch_order.h"
#include "engine/fetch_pool.h"
#include "engine/file_download.h"
#include "engine/progress_units.h"
#include "engine/progress_view.h"
#include "engine/status_line.h"
#include "res/resource.h"

namespace {

// How often the display catches up with the downloads.
constexpr DWORD kDisplayTickMs = 100;

// A new file's line: its bar and its percentage start together, so neither
// goes on showing the file before.
void ShowDownloading(const CUpdateContext& context, const std::string& name, int step, int steps)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s   %d/%d", name.c_str(), step, steps));
    ::SendMessageA(::GetDlgItem(context.dialog, IDC_FILE_BAR), PBM_SETPOS, 0, 0);
    SetDialogItemText(context.dialog, IDC_FILE_PERCENT, "0%");
}

void ShowOverallProgress(const CUpdateContext& context, int step, int steps)
{
    SetDialogItemText(context.dialog, IDC_OVERALL_PERCENT,
                      PercentText(static_cast<double>(step) / steps * 100));
    ::SendMessageA(context.overallBar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
}

// The size of a file still at `path`; false when none is there.
bool SizeOfFile(const std::string& path, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

std::vector<unsigned long long> ListedSizes(const std::vector<FetchStep>& steps)
{
    std::vector<unsigned long long> sizes;
    for (const FetchStep& step : steps)
        sizes.push_back(step.listedSize);
    return sizes;
}

// The pass's thread starts downloads first and shows afterwards: every
// display is a synchronous round to the user-interface thread, and a slot
// that waited for one was a slot the line went without.
class CPass {
public:
    CPass(CUpdateContext& context, const std::vector<FetchStep>& steps, StepNumbers numbers, bool stopAtFailure)
        : context_(context),
          steps_(steps),
          numbers_(numbers),
          stopAtFailure_(stopAtFailure),
          ends_(steps.size()),
          order_(ListedSizes(steps)),
          line_(numbers.first)
    {
    }

    int Run()
    {
        for (;;) {
            StartWhatMayStart();
            Display();
            if (pool_.Idle() && (order_.AllStarted() || stopped_))
                break;
            for (const FetchEnd& end : pool_.Collect(kDisplayTickMs))
                Finish(static_cast<size_t>(end.id), end.fetched, {true, end.progress});
        }
        ShowTheEnd();
        return fetched_;
    }

private:
    enum class State { waiting, running, fetched, failed };

    // The last progress a step reported, for the file bar.
    struct Progress {
        bool reported = false;
        FetchProgress counts;
    };

    struct StepEnd {
        State state = State::waiting;
        Progress progress;
    };

    // A file this run fetched and checked against the same digests crosses
    // the network once; its file bar shows what the finished transfer showed
    // (an empty body reports no progress in a transfer either).
    bool AlreadyFetched(const FetchStep& step, Progress* progress) const
    {
        const auto fetched = context_.fetchedFiles.find(step.relative);
        uint64_t size = 0;
        if (fetched == context_.fetchedFiles.end() || !SameDigests(fetched->second, step.digests) ||
            !SizeOfFile(step.target, &size))
            return false;
        const ProgressUnits units = ScaleProgress(size, size);
        *progress = {size > 0, {units.received, units.total}};
        return true;
    }

    void StartWhatMayStart()
    {
        while (!stopped_ && !order_.AllStarted() && !pool_.Full()) {
            const size_t index = order_.Next();
            const FetchStep& step = steps_[index];
            if (pool_.Fetching(step.target))
                return;
            order_.Started(index);
            Progress progress;
            if (AlreadyFetched(step, &progress)) {
                Finish(index, true, progress);
            } else if (step.prepare && !step.prepare()) {
                Finish(index, false, {});
            } else {
                ends_[index].state = State::running;
                pool_.Start({static_cast<int>(index), step.url, step.target, step.digests});
            }
        }
    }

    // Bookkeeping only; Display shows it.
    void Finish(size_t index, bool fetched, const Progress& progress)
    {
        order_.Ended(index);
        if (fetched) {
            ends_[index] = {State::fetched, progress};
            ++fetched_;
            context_.fetchedFiles[steps_[index].relative] = steps_[index].digests;
        } else {
            ends_[index].state = State::failed;
        }
        // Downloads abandoned after the first failure are no steps of the pass any more.
        if (stopped_)
            return;
        if (fetched)
            return;
        failures_.push_back(index);
        if (stopAtFailure_) {
            // Nothing waits for a download that can no longer make the pass
            // succeed: their requests are closed and the pass ends now.
            stopped_ = true;
            pool_.AbandonAll();
        }
    }

    void Show(size_t index, int number)
    {
        ShowDownloading(context_, steps_[index].shownName, number, numbers_.total);
        bar_.emplace(context_.dialog);
        barShows_ = {};
    }

    void ShowProgress(const Progress& progress)
    {
        if (!progress.reported || (barShows_.reported && barShows_.counts.received == progress.counts.received &&
                                   barShows_.counts.total == progress.counts.total))
            return;
        bar_->OnProgress(progress.counts.received, progress.counts.total, kDataReport, nullptr);
        barShows_ = progress;
    }

    // The overall bar counts the fetched steps: a failed one is no progress.
    void ShowOverall()
    {
        if (overallShows_ == fetched_)
            return;
        overallShows_ = fetched_;
        ShowOverallProgress(context_, numbers_.first - 1 + fetched_, numbers_.total);
    }

    // A failure shows at once; everything else follows at most ten times a
    // second, so that many quick steps do not cost a repaint each.
    void Display()
    {
        if (failuresShown_ < failures_.size()) {
            for (; failuresShown_ < failures_.size(); ++failuresShown_)
                ShowDownloadFailure(context_, steps_[failures_[failuresShown_]].shownName);
            displayTick_ = ::GetTickCount();
            return;
        }
        if (stopped_ || (displayed_ && ::GetTickCount() - displayTick_ < kDisplayTickMs))
            return;
        displayed_ = true;
        displayTick_ = ::GetTickCount();
        ShowOverall();
        std::vector<bool> running;
        for (const StepEnd& end : ends_)
            running.push_back(end.state == State::running);
        if (line_.Follow(running))
            Show(line_.step(), line_.number());
        if (!line_.Shows() || !running[line_.step()])
            return;
        Progress progress;
        progress.reported = pool_.Progress(static_cast<int>(line_.step()), &progress.counts);
        ShowProgress(progress);
    }

    // Settled whichever way the pass ended: the overall display shows what
    // was fetched, and the lines are the first failure's or the last step's.
    void ShowTheEnd()
    {
        if (!steps_.empty())
            ShowOverall();
        if (!failures_.empty()) {
            // A first installation stopped with its failure's texts already shown.
            if (!stopAtFailure_)
                ShowDownloadFailure(context_, steps_[failures_.front()].shownName);
            return;
        }
        if (line_.End(steps_.size()))
            Show(line_.step(), line_.number());
        if (!steps_.empty())
            ShowProgress(ends_[steps_.size() - 1].progress);
    }

    CUpdateContext& context_;
    const std::vector<FetchStep>& steps_;
    const StepNumbers numbers_;
    const bool stopAtFailure_;
    std::vector<StepEnd> ends_;
    CFetchOrder order_;
    int fetched_ = 0;
    std::vector<size_t> failures_;
    bool stopped_ = false;
    // What the dialog shows.
    bool displayed_ = false;
    DWORD displayTick_ = 0;
    size_t failuresShown_ = 0;
    int overallShows_ = -1;  // none yet
    CStatusLine line_;
    std::optional<CBindCallback> bar_;
    Progress barShows_;
    CFetchPool pool_;
};

}  // namespace

int FetchSteps(CUpdateContext& context, const std::vector<FetchStep>& steps, StepNumbers numbers, bool stopAtFailure)
{
    return CPass(context, steps, numbers, stopAtFailure).Run();
}

void ShowDownloadFailure(const CUpdateContext& context, const std::string& name)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("下载%s 失败", name.c_str()));
    SetDialogItemText(context.dialog, IDCANCEL, "下载失败");
}
