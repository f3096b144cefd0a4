// The one byte range a GET's Range header asks of a file, if any.
#pragma once

#include <cstdint>

#include <boost/beast/core/string.hpp>

struct ByteRange {
    // whole: no range to apply, the whole file is answered; part: bytes
    // first..last (inclusive); unsatisfiable: it starts at or past the end.
    enum class Kind { whole, part, unsatisfiable };

    Kind kind = Kind::whole;
    uint64_t first = 0;
    uint64_t last = 0;
};

// Reads a Range header's value ("bytes=A-B", "bytes=A-", "bytes=-N") against
// a file of `total` bytes. A value that is not understood, or that asks for
// several ranges, gives whole: a server may ignore Range, and the downloader
// only ever asks for one.
ByteRange ReadByteRange(boost::beast::string_view header, uint64_t total);
