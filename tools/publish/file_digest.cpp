#include "tools/publish/file_digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kBase64Sha1Length = 28;

struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

bool FileDigest(const std::string& path, std::string* digest)
{
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!in || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr) != 1)
        return false;

    std::unique_ptr<char[]> block(new char[kBlockSize]);
    while (in.read(block.get(), kBlockSize) || in.gcount() > 0) {
        if (EVP_DigestUpdate(ctx.get(), block.get(), static_cast<size_t>(in.gcount())) != 1)
            return false;
    }
    if (in.bad())
        return false;

    unsigned char sha1[EVP_MAX_MD_SIZE];
    unsigned int sha1Length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), sha1, &sha1Length) != 1)
        return false;
    unsigned char base64[kBase64Sha1Length + 1];
    if (EVP_EncodeBlock(base64, sha1, static_cast<int>(sha1Length)) != static_cast<int>(kBase64Sha1Length))
        return false;
    digest->assign(reinterpret_cast<const char*>(base64), kBase64Sha1Length);
    return true;
}
