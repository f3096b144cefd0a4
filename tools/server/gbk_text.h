// The downloader's 8-bit text is GBK (code page 936): file names in its URLs
// arrive in GBK, while the release's files, the log and the metrics hold UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Nothing when `gbk` holds a byte sequence that is no GBK.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// Valid UTF-8 as it is; anything else read as GBK, with each byte that is no
// GBK either written as U+FFFD. The result is always valid UTF-8.
std::string ReadableUtf8(std::string_view bytes);
