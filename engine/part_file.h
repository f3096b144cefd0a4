// The ".part" beside a download's target, for the whole of one DownloadFile
// call: where the body goes while it arrives, what is known of the bytes in
// it, and the move over the target once they are complete and checked.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "engine/content_digest.h"
#include "system/handles.h"

// target + ".part".
std::string PartPathOf(const std::string& targetPath);

class CPartFile {
public:
    // Computes the digests `expected` lists as the bytes are written; nothing
    // is created until the first body arrives.
    CPartFile(std::string targetPath, const FileDigests& expected);
    // Deletes the ".part" unless it was moved over the target.
    ~CPartFile();
    CPartFile(const CPartFile&) = delete;
    CPartFile& operator=(const CPartFile&) = delete;

    // Empties the file for a whole body of `total` bytes whose version
    // `validator` names (empty: the body cannot be resumed). Made new the
    // first time: a ".part" that is already there may be a link or a second
    // name of another file, or what a killed run left; either way it is never
    // written into. From then on it stays open without sharing, so nobody
    // swaps it while the download runs.
    bool StartBody(uint64_t total, const std::string& validator);

    // Bytes arrived so far, kept across attempts so that the next one can ask
    // for the rest; false when the write failed.
    bool Append(const void* data, DWORD size);

    // Forgets the bytes: the next attempt fetches the whole body.
    void Discard();

    // Whether the next attempt may ask for the bytes after size(). Never for
    // a file without listed digests (a manifest, a signature): nothing would
    // check that the bytes asked for belong to those already held.
    bool Resumable() const;
    uint64_t size() const { return size_; }
    uint64_t total() const { return total_; }
    const std::string& validator() const { return validator_; }

    // Whether the bytes are the whole body, with the digests `expected` lists.
    // Ends the digests: only a move or a new body may follow.
    bool IsComplete(const FileDigests& expected);

    // Closes the file and moves it over the target; on failure it is deleted.
    bool MoveOverTarget();

private:
    void ResetDigests();

    std::string target_;
    std::string path_;
    bool checked_;
    bool wantSha256_;
    UniqueHandle file_;
    uint64_t size_ = 0;
    uint64_t total_ = 0;
    std::string validator_;
    std::optional<CContentDigest> sha1_;
    std::optional<CContentDigest> sha256_;
};
