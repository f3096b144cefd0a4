// The support log's line for one HTTP request: its URL, the status, the bytes
// that came, the time it took, how it ended and why a body was refused. A
// record lives on the stack of the thread making the request; code deep inside
// the transfer notes what it learns on that thread's open record, so the
// transfer needs no log parameter of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class RequestRecord {
public:
    // `url` as the log may show it: nothing secret in it.
    explicit RequestRecord(std::string url);
    // Writes the line.
    ~RequestRecord();
    RequestRecord(const RequestRecord&) = delete;
    RequestRecord& operator=(const RequestRecord&) = delete;

    // How the request ended ("written", "refused", "failed", "timed out").
    void Finish(const char* outcome);

    // Notes on the record open on the calling thread; none open, no note.
    static void NoteStatus(DWORD status);
    static void NoteBytes(uint64_t bytes);
    static void NoteReason(const char* reason);

private:
    std::string url_;
    DWORD started_;
    DWORD status_ = 0;
    uint64_t bytes_ = 0;
    const char* outcome_ = "abandoned";
    const char* reason_ = nullptr;
    RequestRecord* outer_;
};
