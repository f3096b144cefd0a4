// Fetching a small file whole into memory: the run's manifests and their
// signatures, which are checked before a byte of them reaches the disk.
#pragma once

#include <cstddef>
#include <string>

// Far above any manifest of a real release (a few hundred entries are some
// tens of kilobytes), and small enough that a hostile answer cannot make a
// 32-bit process run out of memory.
constexpr size_t kMaxMemoryDownload = 16 * 1024 * 1024;

// Up to five attempts over the run's download session. True with `body` set
// to the whole body of a 200 answer whose length its Content-Length announced
// (at most kMaxMemoryDownload bytes); false otherwise, `body` then unchanged.
// Any other status is a failure: a file the server does not serve is never
// replaced by what an earlier run left.
bool DownloadToMemory(const std::string& url, std::string* body);
