#include "protocol/deploy_material.h"
#include "protocol/detached_signature.h"

bool DetachedSignatureRequired() { return kBuiltInDetachedKey[0] != '\0'; }

bool VerifyDetachedSignature(const std::string& contents, const std::string& signatureText)
{
    return VerifyDetachedSignature(kBuiltInDetachedKey, contents, signatureText);
}
