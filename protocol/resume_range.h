// How a download that broke off continues where it stopped: the validator that
// ties the bytes already held to one version of the file, the request headers
// that ask for the rest, and the check that the answer is that rest.
//
// A worked example: 9,000,000 bytes of a 10,000,000-byte file are held, taken
// from an answer with ETag "5f1e-989680". The next request carries
//   Range: bytes=9000000-
//   If-Range: "5f1e-989680"
// and the only acceptable partial answer says
//   Content-Range: bytes 9000000-9999999/10000000
// with Content-Length 1000000 and the same ETag. A server whose file changed
// since answers the whole new file with 200 instead; If-Range makes it do so.
//
// Only a strong entity tag ties the two answers to one version. A date has a
// resolution of a second and a file may be rewritten within it, and a partial
// answer without a tag (or a server that ignores If-Range) says nothing about
// which version its bytes belong to: continuing under either could splice two
// versions into one file. Then the whole file is fetched again.
#pragma once

#include <cstdint>
#include <string>

// What identifies the version of the file an answer carried: its entity tag
// when that is strong; empty otherwise, and the answer cannot be resumed. A
// weak tag ("W/...") may stay the same across changed bytes, so it never
// validates a range.
std::string ResumeValidator(const std::string& entityTag);

// "Range: bytes=FROM-\r\nIf-Range: VALIDATOR\r\n".
std::string ResumeRequestHeaders(uint64_t from, const std::string& validator);

// Whether `contentRange` (a Content-Range value) announces exactly the bytes
// from `from` to the end of a file of `total` bytes: "bytes FROM-(TOTAL-1)/TOTAL".
// Anything else, an unknown total ("*") included, is another answer than asked.
bool ContinuesFrom(const std::string& contentRange, uint64_t from, uint64_t total);

// What a 206 says of itself.
struct ResumeAnswer {
    std::string entityTag;     // empty when absent
    std::string contentRange;  // empty when absent
    uint64_t contentLength;
};

// Whether `answer` is exactly the rest of the version whose first `held` of
// `total` bytes came under `validator` (ResumeValidator's, never empty): the
// same strong tag, the range from `held` to the end, and its length.
bool ContinuesHeldBytes(const ResumeAnswer& answer, const std::string& validator, uint64_t held, uint64_t total);
