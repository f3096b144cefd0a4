#include "tools/publish/file_digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

bool Base64Final(EVP_MD_CTX* ctx, std::string* out)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, digest, &size) != 1)
        return false;
    unsigned char base64[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    const int length = EVP_EncodeBlock(base64, digest, static_cast<int>(size));
    if (length <= 0)
        return false;
    out->assign(reinterpret_cast<const char*>(base64), static_cast<size_t>(length));
    return true;
}

}  // namespace

bool DigestFile(const std::string& path, FileDigests* digests)
{
    std::ifstream in(path, std::ios::binary);
    MdCtx sha1(EVP_MD_CTX_new());
    MdCtx sha256(EVP_MD_CTX_new());
    if (!in || !sha1 || !sha256 || EVP_DigestInit_ex(sha1.get(), EVP_sha1(), nullptr) != 1 ||
        EVP_DigestInit_ex(sha256.get(), EVP_sha256(), nullptr) != 1)
        return false;

    std::unique_ptr<char[]> block(new char[kBlockSize]);
    while (in.read(block.get(), kBlockSize) || in.gcount() > 0) {
        const size_t size = static_cast<size_t>(in.gcount());
        if (EVP_DigestUpdate(sha1.get(), block.get(), size) != 1 ||
            EVP_DigestUpdate(sha256.get(), block.get(), size) != 1)
            return false;
    }
    return !in.bad() && Base64Final(sha1.get(), &digests->sha1) && Base64Final(sha256.get(), &digests->sha256);
}
