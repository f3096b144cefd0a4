#include "engine/part_file.h"

#include <utility>

namespace {

const char kPartSuffix[] = ".part";

bool Checked(const FileDigests& expected)
{
    return !expected.sha1.empty() || !expected.sha256.empty();
}

}  // namespace

std::string PartPathOf(const std::string& targetPath)
{
    return targetPath + kPartSuffix;
}

CPartFile::CPartFile(std::string targetPath, const FileDigests& expected)
    : target_(std::move(targetPath)),
      path_(PartPathOf(target_)),
      checked_(Checked(expected)),
      wantSha256_(!expected.sha256.empty())
{
    ResetDigests();
}

CPartFile::~CPartFile()
{
    if (!file_)
        return;
    file_.reset();
    ::DeleteFileA(path_.c_str());
}

void CPartFile::ResetDigests()
{
    sha1_.emplace(DigestKind::Sha1);
    sha256_.reset();
    if (wantSha256_)
        sha256_.emplace(DigestKind::Sha256);
}

bool CPartFile::StartBody(uint64_t total, const std::string& validator)
{
    if (!file_) {
        ::DeleteFileA(path_.c_str());
        file_.reset(::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
        if (!file_)
            return false;
    }
    Discard();
    total_ = total;
    validator_ = validator;
    return ::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(file_.get());
}

bool CPartFile::Append(const void* data, DWORD size)
{
    DWORD written = 0;
    if (!file_ || !::WriteFile(file_.get(), data, size, &written, nullptr) || written != size) {
        // What reached the disk is unknown now: the bytes cannot be resumed.
        Discard();
        return false;
    }
    size_ += size;
    sha1_->Update(data, size);
    if (sha256_)
        sha256_->Update(data, size);
    return true;
}

void CPartFile::Discard()
{
    size_ = 0;
    total_ = 0;
    validator_.clear();
    ResetDigests();
}

bool CPartFile::Resumable() const
{
    return file_ && checked_ && size_ > 0 && size_ < total_ && !validator_.empty();
}

bool CPartFile::IsComplete(const FileDigests& expected)
{
    if (!file_ || size_ != total_)
        return false;
    if (!Checked(expected))
        return true;
    const FileDigests actual{sha1_->Finish(), sha256_ ? sha256_->Finish() : std::string()};
    return MatchesListedDigests(actual, expected);
}

bool CPartFile::MoveOverTarget()
{
    if (!file_)
        return false;
    file_.reset();
    if (::MoveFileExA(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    ::DeleteFileA(path_.c_str());
    return false;
}
