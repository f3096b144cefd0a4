// Writes a release folder (layout in release_layout.h) completely or not at
// all: everything goes into a hidden folder beside RELEASE_DIR, which is
// renamed into place only when it is whole.
#pragma once

#include <string>
#include <vector>

#include "tools/publish/manifest_signer.h"
#include "tools/publish/options.h"
#include "tools/publish/source_tree.h"

struct ReleaseFiles {
    std::vector<SourceFile> common;   // listed in Digest.xml
    std::vector<SourceFile> edition;  // listed in the edition manifest
};

struct ReleaseKeys {
    EVP_PKEY* signing = nullptr;
    // The deployment's public key as the client holds it: each manifest must
    // pass the client's check with it before the release is kept.
    std::string verifyingPem;
    // The Ed25519 private key, null when the deployment has none; each .sig
    // must pass the client's check with the public key text before the
    // release is kept.
    EVP_PKEY* detachedSigning = nullptr;
    std::string detachedVerifyingPem;
};

bool WriteRelease(const PublishOptions& options, const ReleaseFiles& files, const ReleaseKeys& keys,
                  std::string* error);
