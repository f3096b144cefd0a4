#include "engine/content_digest.h"

#include <openssl/evp.h>

#include <fstream>

namespace {

// Large enough that reading costs little beside hashing, under Wine too,
// where every read of the file is a call into the platform.
constexpr size_t kFileBlockSize = 64 * 1024;
constexpr int kBase64Sha1Length = 28;

}  // namespace

void CContentDigest::Free::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

CContentDigest::CContentDigest() : context_(EVP_MD_CTX_new())
{
    failed_ = !context_ || EVP_DigestInit_ex(context_.get(), EVP_sha1(), nullptr) != 1;
}

CContentDigest::~CContentDigest() = default;

void CContentDigest::Update(const void* data, size_t size)
{
    if (!failed_ && EVP_DigestUpdate(context_.get(), data, size) != 1)
        failed_ = true;
}

std::string CContentDigest::Finish()
{
    unsigned char sha1[EVP_MAX_MD_SIZE];
    unsigned int sha1Length = 0;
    if (failed_ || EVP_DigestFinal_ex(context_.get(), sha1, &sha1Length) != 1)
        return std::string();
    failed_ = true;  // a finished context takes no more input
    unsigned char base64[kBase64Sha1Length + 1];
    if (EVP_EncodeBlock(base64, sha1, static_cast<int>(sha1Length)) != kBase64Sha1Length)
        return std::string();
    return std::string(reinterpret_cast<const char*>(base64), kBase64Sha1Length);
}

bool DigestOfFile(const std::string& path, std::string* digest)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    CContentDigest content;
    // Left uncleared: an update pass digests thousands of small files.
    const std::unique_ptr<char[]> block(new char[kFileBlockSize]);
    while (in.read(block.get(), kFileBlockSize) || in.gcount() > 0)
        content.Update(block.get(), static_cast<size_t>(in.gcount()));
    if (in.bad())
        return false;
    const std::string result = content.Finish();
    if (result.empty())
        return false;
    *digest = result;
    return true;
}
