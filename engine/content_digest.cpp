#include "engine/content_digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace {

// Large enough that reading costs little beside hashing, under Wine too,
// where every read of the file is a call into the platform.
constexpr size_t kFileBlockSize = 64 * 1024;
constexpr size_t kLargestBase64 = 4 * ((EVP_MAX_MD_SIZE + 2) / 3);

// Feeds every content digest in `digests` with the file's blocks.
template <size_t N>
bool FeedFile(const std::string& path, CContentDigest* (&digests)[N])
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    // Left uncleared: an update pass digests thousands of small files.
    const std::unique_ptr<char[]> block(new char[kFileBlockSize]);
    while (in.read(block.get(), kFileBlockSize) || in.gcount() > 0) {
        for (CContentDigest* digest : digests)
            digest->Update(block.get(), static_cast<size_t>(in.gcount()));
    }
    return !in.bad();
}

}  // namespace

CContentDigest::CContentDigest(DigestKind kind) : context_(EVP_MD_CTX_new())
{
    const EVP_MD* algorithm = kind == DigestKind::Sha256 ? EVP_sha256() : EVP_sha1();
    failed_ = !context_ || EVP_DigestInit_ex(context_.get(), algorithm, nullptr) != 1;
}

CContentDigest::~CContentDigest() = default;

void CContentDigest::Update(const void* data, size_t size)
{
    if (!failed_ && EVP_DigestUpdate(context_.get(), data, size) != 1)
        failed_ = true;
}

std::string CContentDigest::Finish()
{
    unsigned char raw[EVP_MAX_MD_SIZE];
    unsigned int rawLength = 0;
    if (failed_ || EVP_DigestFinal_ex(context_.get(), raw, &rawLength) != 1)
        return std::string();
    failed_ = true;  // a finished context takes no more input
    unsigned char base64[kLargestBase64 + 1];
    const int length = EVP_EncodeBlock(base64, raw, static_cast<int>(rawLength));
    if (length <= 0)
        return std::string();
    return std::string(reinterpret_cast<const char*>(base64), static_cast<size_t>(length));
}

bool DigestOfFile(const std::string& path, std::string* digest)
{
    CContentDigest content;
    CContentDigest* digests[] = {&content};
    if (!FeedFile(path, digests))
        return false;
    const std::string result = content.Finish();
    if (result.empty())
        return false;
    *digest = result;
    return true;
}

bool DigestsOfFile(const std::string& path, FileDigests* digests)
{
    CContentDigest sha1(DigestKind::Sha1);
    CContentDigest sha256(DigestKind::Sha256);
    CContentDigest* both[] = {&sha1, &sha256};
    if (!FeedFile(path, both))
        return false;
    FileDigests result{sha1.Finish(), sha256.Finish()};
    if (result.sha1.empty() || result.sha256.empty())
        return false;
    *digests = result;
    return true;
}

bool MatchesListedDigests(const FileDigests& actual, const FileDigests& listed)
{
    return !listed.sha1.empty() && actual.sha1 == listed.sha1 &&
           (listed.sha256.empty() || actual.sha256 == listed.sha256);
}

bool SameDigests(const FileDigests& a, const FileDigests& b)
{
    return a.sha1 == b.sha1 && a.sha256 == b.sha256;
}
