#include "fuzz/fuzz_keys.h"

#include <cstdlib>

#include "protocol/deploy_keys.h"

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

const std::string& FuzzSigningKey()
{
    static const std::string pem = [] {
        std::string text;
        if (!ReadWholeFile(kDeployDir + "/signing.pub.pem", &text))
            std::abort();
        return text;
    }();
    return pem;
}
