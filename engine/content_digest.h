// The digests a manifest lists for a file, both in Base64: "Digest", SHA-1 of
// its bytes, 28 characters ending in one "=" ("2jmj7l5rSw0yVb/vlWAYkK/YBwk="
// for no bytes), and "SHA256", 44 characters.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/openssl_handles.h"

enum class DigestKind { Sha1, Sha256 };

// Fed block by block, so neither a download nor a file is ever held whole.
class CContentDigest {
public:
    explicit CContentDigest(DigestKind kind = DigestKind::Sha1);
    ~CContentDigest();
    CContentDigest(const CContentDigest&) = delete;
    CContentDigest& operator=(const CContentDigest&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything fed so far; empty if the library failed.
    std::string Finish();

private:
    ossl::MdCtx context_;
    bool failed_ = false;
};

// Streams the file at `path` (8-bit text) in 64 KiB blocks. False when it
// cannot be opened or read; `digest` is then unchanged.
bool DigestOfFile(const std::string& path, std::string* digest);

struct FileDigests {
    std::string sha1 = {};
    std::string sha256 = {};
};

// Whether two entries list the same digests.
bool SameDigests(const FileDigests& a, const FileDigests& b);

// Both digests from one read of the file, as DigestOfFile reads it.
bool DigestsOfFile(const std::string& path, FileDigests* digests);

// Whether a file with `actual` digests is the one a manifest entry lists: its
// SHA-1 always ("Digest" may never be empty), its SHA-256 as well whenever the
// entry gives one. SHA-1 alone admits chosen-prefix collisions that a file
// supplier can afford; entries of older releases give only SHA-1.
bool MatchesListedDigests(const FileDigests& actual, const FileDigests& listed);
