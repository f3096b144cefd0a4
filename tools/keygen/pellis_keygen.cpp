// pellis-keygen: writes a new deployment folder.
//
//   envelope.keys    N, E, D, P, Q, DP, DQ, QP as fixed-width lower-case hex,
//                    and IV (8 decimal digits): the envelope key pair, compiled
//                    into the program and used by the bank's version service.
//   signing.pub.pem  the manifest-signing public key (1024 bits, exponent 3) as
//                    the client holds it: PKCS#1 PEM, leading line feed, no
//                    trailing one, 247 characters.
//   signing.key.pem  its private key, for the publishing tool only.
//   signing-ed25519.pub.pem, signing-ed25519.key.pem
//                    the Ed25519 pair of the manifests' second signature
//                    (SubjectPublicKeyInfo and PKCS#8 PEM); the private key
//                    is for the publishing tool only.
//   codesign.crt.pem, codesign.key.pem
//                    a self-signed code-signing certificate (RSA 3072,
//                    SHA-256, extended key usage codeSigning) and its key,
//                    with which the build signs the program. Throw-away: a
//                    bank replaces them with its vendor's certificate from a
//                    certification authority.
//
// The folder is created private (0700) and every file is created new, never
// through a link and never over an existing file, readable by its owner alone.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "protocol/deploy_keys.h"
#include "protocol/openssl_handles.h"

namespace {

constexpr int kModulusBits = 1024;
constexpr unsigned kEnvelopeExponent = 65537;
constexpr unsigned kSigningExponent = 3;
constexpr size_t kSigningPemLength = 247;

using ossl::Bignum;
using ossl::Pkey;

int Fail(const std::string& what)
{
    std::fprintf(stderr, "pellis-keygen: %s\n", what.c_str());
    return 1;
}

Pkey GenerateRsa(unsigned exponent, int bits = kModulusBits)
{
    ossl::PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    Bignum e(BN_new());
    EVP_PKEY* key = nullptr;
    if (!ctx || !e || !BN_set_word(e.get(), exponent) || EVP_PKEY_keygen_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) <= 0 ||
        EVP_PKEY_CTX_set1_rsa_keygen_pubexp(ctx.get(), e.get()) <= 0 || EVP_PKEY_generate(ctx.get(), &key) <= 0)
        return nullptr;
    return Pkey(key);
}

// A key parameter as lower-case hex, zero-padded to `digits`; empty on failure.
std::string HexParam(const EVP_PKEY* key, const char* name, size_t digits)
{
    BIGNUM* raw = nullptr;
    if (!EVP_PKEY_get_bn_param(key, name, &raw))
        return {};
    Bignum value(raw);
    char* hex = BN_bn2hex(value.get());
    std::string text(hex);
    OPENSSL_free(hex);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text.size() > digits)
        return {};
    return std::string(digits - text.size(), '0') + text;
}

std::string Encode(const EVP_PKEY* key, int selection, const char* structure)
{
    ossl::EncoderCtx ctx(
        OSSL_ENCODER_CTX_new_for_pkey(key, selection, "PEM", structure, nullptr));
    unsigned char* data = nullptr;
    size_t len = 0;
    if (!ctx || !OSSL_ENCODER_to_data(ctx.get(), &data, &len))
        return {};
    std::string text(reinterpret_cast<char*>(data), len);
    OPENSSL_free(data);
    return text;
}

const char* const kFileNames[] = {"envelope.keys",           "signing.pub.pem",  "signing.key.pem",
                                   "signing-ed25519.pub.pem", "signing-ed25519.key.pem",
                                   "codesign.crt.pem",        "codesign.key.pem"};
constexpr int kCodeSigningBits = 3072;
constexpr long kCodeSigningDays = 3 * 365;
const char kCodeSigningSubject[] = "pellis test publisher (not for release)";

// Created new: an existing file or a planted link makes the run fail instead
// of writing key material where someone else chose.
bool WriteNewFile(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return fsync(fd) == 0 && close(fd) == 0;
}

using ossl::Certificate;

bool AddExtension(X509* cert, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    const ossl::CertificateExtension ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

// A self-signed end-entity certificate that Windows and osslsigncode accept
// for Authenticode: code signing only, a random 128-bit serial.
Certificate MakeCodeSigningCertificate(EVP_PKEY* key)
{
    Certificate cert(X509_new());
    Bignum serial(BN_new());
    if (!cert || !serial || !X509_set_version(cert.get(), 2) || !BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) ||
        !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) ||
        !X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0) ||
        !X509_time_adj_ex(X509_getm_notAfter(cert.get()), kCodeSigningDays, 0, nullptr) ||
        !X509_set_pubkey(cert.get(), key))
        return nullptr;
    X509_NAME* name = X509_get_subject_name(cert.get());
    if (!X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                    reinterpret_cast<const unsigned char*>(kCodeSigningSubject), -1, -1, 0) ||
        !X509_set_issuer_name(cert.get(), name) ||
        !AddExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature") ||
        !AddExtension(cert.get(), NID_ext_key_usage, "codeSigning") ||
        !AddExtension(cert.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(cert.get(), key, EVP_sha256()) <= 0)
        return nullptr;
    return cert;
}

std::string CertificatePem(X509* cert)
{
    const ossl::Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

Pkey GenerateEd25519()
{
    ossl::PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "ED25519", nullptr));
    EVP_PKEY* key = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) <= 0 || EVP_PKEY_generate(ctx.get(), &key) <= 0)
        return nullptr;
    return Pkey(key);
}

std::string RandomIv()
{
    std::string iv;
    while (iv.size() < 8) {
        unsigned char b;
        if (RAND_bytes(&b, 1) != 1)
            return {};
        if (b < 250)  // keeps the digits uniform
            iv.push_back(static_cast<char>('0' + b % 10));
    }
    return iv;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: pellis-keygen FOLDER\n"
                     "Writes a new deployment folder: envelope.keys, signing.pub.pem, signing.key.pem,\n"
                     "signing-ed25519.pub.pem, signing-ed25519.key.pem, codesign.crt.pem, codesign.key.pem.\n"
                     "FOLDER must not exist or be empty of these files.\n");
        return argc == 2 ? 0 : 2;
    }
    const std::string dir = argv[1];
    for (const char* name : kFileNames) {
        struct stat st;
        if (lstat((dir + "/" + name).c_str(), &st) == 0)
            return Fail(dir + "/" + name + " exists; refusing to replace deployment keys");
    }
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return Fail("cannot create " + dir + ": " + std::strerror(errno));

    Pkey envelope = GenerateRsa(kEnvelopeExponent);
    if (!envelope)
        return Fail("envelope key generation failed");
    struct Field { const char* label; const char* param; std::string DeployEnvelopeKeys::*value; };
    const Field fields[] = {
        {"N", OSSL_PKEY_PARAM_RSA_N, &DeployEnvelopeKeys::n},
        {"E", OSSL_PKEY_PARAM_RSA_E, &DeployEnvelopeKeys::e},
        {"D", OSSL_PKEY_PARAM_RSA_D, &DeployEnvelopeKeys::d},
        {"P", OSSL_PKEY_PARAM_RSA_FACTOR1, &DeployEnvelopeKeys::p},
        {"Q", OSSL_PKEY_PARAM_RSA_FACTOR2, &DeployEnvelopeKeys::q},
        {"DP", OSSL_PKEY_PARAM_RSA_EXPONENT1, &DeployEnvelopeKeys::dp},
        {"DQ", OSSL_PKEY_PARAM_RSA_EXPONENT2, &DeployEnvelopeKeys::dq},
        {"QP", OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &DeployEnvelopeKeys::qp},
    };
    DeployEnvelopeKeys envelopeKeys;
    for (const Field& f : fields) {
        const size_t digits = EnvelopeKeyDigits(f.label);
        envelopeKeys.*f.value = HexParam(envelope.get(), f.param, digits);
        if ((envelopeKeys.*f.value).empty())
            return Fail(std::string("envelope key: ") + f.label + " does not fit " + std::to_string(digits) +
                        " digits");
    }
    envelopeKeys.iv = RandomIv();
    if (envelopeKeys.iv.empty())
        return Fail("no random bytes for the IV");
    const std::string keys = FormatEnvelopeKeys(envelopeKeys);
    std::string why;
    DeployEnvelopeKeys readBack;
    if (!ParseEnvelopeKeys(keys, &readBack, &why))
        return Fail("envelope.keys would not be read back: " + why);

    Pkey signing = GenerateRsa(kSigningExponent);
    if (!signing)
        return Fail("signing key generation failed");
    std::string pub = Encode(signing.get(), EVP_PKEY_PUBLIC_KEY, "type-specific");
    if (!pub.empty() && pub.back() == '\n')
        pub.pop_back();
    pub = "\n" + pub;
    if (pub.size() != kSigningPemLength)
        return Fail("signing public key text has " + std::to_string(pub.size()) + " characters, not 247");
    const std::string priv = Encode(signing.get(), EVP_PKEY_KEYPAIR, "type-specific");
    if (priv.empty())
        return Fail("cannot encode the signing private key");

    Pkey modern = GenerateEd25519();
    if (!modern)
        return Fail("Ed25519 key generation failed");
    const std::string modernPub = Encode(modern.get(), EVP_PKEY_PUBLIC_KEY, "SubjectPublicKeyInfo");
    const std::string modernPriv = Encode(modern.get(), EVP_PKEY_KEYPAIR, "PrivateKeyInfo");
    if (modernPub.empty() || modernPriv.empty())
        return Fail("cannot encode the Ed25519 keys");

    Pkey codeSigning = GenerateRsa(kEnvelopeExponent, kCodeSigningBits);
    if (!codeSigning)
        return Fail("code-signing key generation failed");
    const Certificate cert = MakeCodeSigningCertificate(codeSigning.get());
    const std::string certPem = cert ? CertificatePem(cert.get()) : std::string();
    const std::string codeSigningPriv = Encode(codeSigning.get(), EVP_PKEY_KEYPAIR, "PrivateKeyInfo");
    if (certPem.empty() || codeSigningPriv.empty())
        return Fail("cannot make the code-signing certificate");

    const std::string texts[] = {keys, pub, priv, modernPub, modernPriv, certPem, codeSigningPriv};
    static_assert(std::size(texts) == std::size(kFileNames), "one text per file");
    for (size_t i = 0; i < std::size(kFileNames); ++i) {
        const std::string path = dir + "/" + kFileNames[i];
        if (!WriteNewFile(path, texts[i]))
            return Fail("cannot create " + path + ": " + std::strerror(errno));
    }
    std::printf("pellis-keygen: wrote %s/envelope.keys, signing.pub.pem, signing.key.pem, signing-ed25519.pub.pem, "
                "signing-ed25519.key.pem, codesign.crt.pem, codesign.key.pem\n",
                dir.c_str());
    return 0;
}
