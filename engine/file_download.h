// Fetching one file over HTTP or HTTPS into one local path, with per-file
// progress on the progress dialog. Every file of a run comes through here.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

#include "engine/content_digest.h"

// A download's progress sink: only OnProgress does any work, and only
// DownloadFile calls it; the object is not reference counted and is never
// handed to the platform's own download services. DownloadFile reports
// BINDSTATUS_CONNECTING (received and total 0) before each attempt and
// kDataReport as the body arrives; an OnProgress that answers E_ABORT to
// either stops the download.
constexpr ULONG kDataReport = 0;

class CProgressSink : public IBindStatusCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                              STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

protected:
    ~CProgressSink() = default;
};

// The progress sink that shows a download on the progress dialog. Lives for
// one download, on the thread that owns the display.
class CBindCallback : public CProgressSink {
public:
    explicit CBindCallback(HWND dialog);

    // For data reports: per-file bar (1021) to `progress` of `progressMax`,
    // and its percentage on 1023; an unknown total (0) shows "0.00%". Within one transfer the
    // display follows at most ten times a second; the first and the last
    // report, and one that starts over, always show.
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;

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
// may be null; when its OnProgress answers E_ABORT the download stops at once
// and returns 0.
//
// The body is streamed into `path` + ".part" and moved over `path` only when
// it arrived whole and with the listed digests; anything else leaves `path`
// as it was. When a transfer of a file with listed digests breaks off after
// some bytes, the next attempt asks for the rest only (a range under the
// first answer's strong entity tag) and the digests still cover the whole
// file. A file without listed digests, an answer without a strong tag, and a
// partial answer that is not the rest under that same tag are fetched whole
// again.
int DownloadFile(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                 const FileDigests& expected = FileDigests());

// One GET of `url` into `path`, as one attempt of DownloadFile.
int DownloadAttempt(const std::string& url, const std::string& path, IBindStatusCallback* progress,
                    const FileDigests& expected);
