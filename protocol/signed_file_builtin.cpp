#include "protocol/deploy_material.h"
#include "protocol/signed_file.h"

bool VerifySignedFile(const char* path) { return VerifySignedFile(kBuiltInSigningKey, path); }

bool VerifySignedContents(const std::string& contents) { return VerifySignedContents(kBuiltInSigningKey, contents); }
