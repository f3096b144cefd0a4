#include "fuzz/fuzz_keys.h"

#include <cstdlib>

#include "protocol/deploy_keys.h"
#include "system/whole_file.h"

namespace {

const std::string kDeployDir = PELLIS_SOURCE_DIR "/deploy/demo";

}  // namespace

const EnvelopeKeyText& FuzzEnvelopeKey()
{
    static const DeployEnvelopeKeys keys = [] {
        DeployEnvelopeKeys loaded;
        std::string error;
        if (!LoadEnvelopeKeys(kDeployDir, &loaded, &error))
            std::abort();
        return loaded;
    }();
    static const EnvelopeKeyText view = keys.View();
    return view;
}

namespace {

std::string ReadKeyFile(const std::string& name)
{
    std::string text;
    if (!ReadWholeFile(kDeployDir + "/" + name, &text))
        std::abort();
    return text;
}

}  // namespace

const std::string& FuzzSigningKey()
{
    static const std::string pem = ReadKeyFile("signing.pub.pem");
    return pem;
}

const std::string& FuzzDetachedKey()
{
    static const std::string pem = ReadKeyFile("signing-ed25519.pub.pem");
    return pem;
}
