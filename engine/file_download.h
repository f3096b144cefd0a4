// Fetching one file over HTTP or HTTPS into one local path, with per-file
// progress on the progress dialog. Every file of a run comes through here.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

#include "engine/content_digest.h"

// The progress sink of a download. Lives on the stack for one download and is
// not reference counted; only OnProgress does any work, and only DownloadFile
// calls it: it is never handed to the platform's own download services.
class CBindCallback : public IBindStatusCallback {
public:
    explicit CBindCallback(HWND dialog);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    // Per-file bar (1021) to `progress` of `progressMax`, and its percentage
    // on 1023; an unknown total (0) shows "0.00%". Within one transfer the
    // display follows at most ten times a second; the first and the last
    // report, and one that starts over, always show.
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                              STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

private:
    HWND m_pDialog;  // not owned
    bool m_shown = false;
    DWORD m_shownTick = 0;
    ULONG m_lastProgress = 0;
    ULONG m_lastProgressMax = 0;
};

// The most a download reads, writes and reports at once. Each WinINet read
// costs a fixed round through the platform (about 0.1 ms under Wine), so
// small reads cap a transfer far below what loopback or a LAN carries.
constexpr DWORD kDownloadReadChunk = 256 * 1024;

// Results of DownloadAttempt.
constexpr int kAttemptDone = 0;      // file written, or a status other than 200 and nothing written
constexpr int kAttemptFailed = 1;    // not http(s), wrong length or digest, file not writable, transfer fault
constexpr int kAttemptTimedOut = 2;  // WinINet time-out

// Up to five attempts, one after the other. 1 when the file was fetched, or
// when the server refused it (status other than 200) while a file is already
// at `path`; 0 otherwise. With `expected` digests (those a manifest entry
// lists: SHA-1 always, SHA-256 where given) a body of other digests counts as
// a failed attempt, and a file kept at `path` must have them too. `progress`
// may be null.
int DownloadFile(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                 const FileDigests& expected = FileDigests());

// One GET of `url`. The body is streamed into `path` + ".part" and moved over
// `path` only when it arrived with exactly the announced Content-Length (and
// digest); anything else leaves `path` as it was.
int DownloadAttempt(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                    const FileDigests& expected);
