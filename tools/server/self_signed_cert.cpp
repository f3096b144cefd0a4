#include "tools/server/self_signed_cert.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "protocol/openssl_handles.h"

namespace {

constexpr int kKeyBits = 2048;
constexpr long kDaySeconds = 24 * 60 * 60;
constexpr long kValidDays = 30;
constexpr char kLocalNames[] = "DNS:localhost,IP:127.0.0.1";
constexpr char kWrongName[] = "wrong-name.invalid";

struct NamedKind {
    const char* name;
    CertKind kind;
};
constexpr NamedKind kKinds[] = {
    {"self-signed", CertKind::self_signed},
    {"expired", CertKind::expired},
    {"wrong-name", CertKind::wrong_name},
};

std::string LastOpenSslError(const char* step)
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string("certificate: ") + step + ": " + text;
}

bool SetSerial(X509* cert)
{
    uint64_t serial = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof serial) != 1) return false;
    // Clients reject negative or zero serial numbers.
    serial = (serial >> 1) | 1;
    return ASN1_INTEGER_set_uint64(X509_get_serialNumber(cert), serial) == 1;
}

bool SetValidity(X509* cert, CertKind kind)
{
    const long from = kind == CertKind::expired ? -2 * kValidDays * kDaySeconds : -kDaySeconds;
    const long to = kind == CertKind::expired ? -kDaySeconds : kValidDays * kDaySeconds;
    return X509_gmtime_adj(X509_getm_notBefore(cert), from) && X509_gmtime_adj(X509_getm_notAfter(cert), to);
}

bool SetNames(X509* cert, CertKind kind, const std::vector<std::string>& hosts)
{
    const std::string common_name = kind == CertKind::wrong_name ? kWrongName : hosts.empty() ? "localhost" : hosts[0];
    X509_NAME* subject = X509_get_subject_name(cert);
    const auto* cn = reinterpret_cast<const unsigned char*>(common_name.c_str());
    if (!X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, cn, -1, -1, 0) ||
        !X509_set_issuer_name(cert, subject)) {
        return false;
    }
    std::string alt_names = "DNS:" + std::string(kWrongName);
    if (kind != CertKind::wrong_name) {
        alt_names.clear();
        for (const std::string& host : hosts) alt_names += "DNS:" + host + ",";
        alt_names += kLocalNames;
    }
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    ossl::CertificateExtension extension(X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, alt_names.c_str()));
    return extension && X509_add_ext(cert, extension.get(), -1);
}

}  // namespace

bool ParseCertKind(std::string_view name, CertKind* kind)
{
    for (const NamedKind& entry : kKinds) {
        if (name == entry.name) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

bool UseSelfSignedCertificate(boost::asio::ssl::context& context, CertKind kind,
                              const std::vector<std::string>& hosts, std::string* error)
{
    ossl::Pkey key(EVP_RSA_gen(kKeyBits));
    if (!key) {
        *error = LastOpenSslError("key generation");
        return false;
    }
    ossl::Certificate cert(X509_new());
    if (!cert || !X509_set_version(cert.get(), 2) || !SetSerial(cert.get()) || !SetValidity(cert.get(), kind) ||
        !X509_set_pubkey(cert.get(), key.get()) || !SetNames(cert.get(), kind, hosts) ||
        !X509_sign(cert.get(), key.get(), EVP_sha256())) {
        *error = LastOpenSslError("building the certificate");
        return false;
    }
    SSL_CTX* native = context.native_handle();
    if (SSL_CTX_use_certificate(native, cert.get()) != 1 || SSL_CTX_use_PrivateKey(native, key.get()) != 1) {
        *error = LastOpenSslError("installing the certificate");
        return false;
    }
    return true;
}
