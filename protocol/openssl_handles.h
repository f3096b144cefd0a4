// Owning pointers to OpenSSL objects, each released by its own free function.
// The one place such wrappers are declared, for the program and the tools
// alike; code that holds an OpenSSL object holds it in one of these.
#pragma once

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace ossl {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* object) const { Free(object); }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;

using Bio = Owned<BIO, BIO_free_all>;
using Bignum = Owned<BIGNUM, BN_clear_free>;  // cleared: it may hold a private key's part
using Certificate = Owned<X509, X509_free>;
using CertificateExtension = Owned<X509_EXTENSION, X509_EXTENSION_free>;
using CipherCtx = Owned<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using EncoderCtx = Owned<OSSL_ENCODER_CTX, OSSL_ENCODER_CTX_free>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using ParamBuilder = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = Owned<OSSL_PARAM, OSSL_PARAM_free>;
using Pkey = Owned<EVP_PKEY, EVP_PKEY_free>;
using PkeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;

// OpenSSL 3 deprecates the bare RSA type; the signature format still needs it
// (see signed_file.cpp), so naming its free function here is not a warning.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
using Rsa = std::unique_ptr<RSA, Deleter<RSA, RSA_free>>;
#pragma GCC diagnostic pop

}  // namespace ossl
