// The demo deployment's envelope keys, read once from the source tree.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "protocol/deploy_keys.h"
#include "source_path.h"

inline const DeployEnvelopeKeys& DemoKeys()
{
    static const DeployEnvelopeKeys keys = [] {
        DeployEnvelopeKeys k;
        std::string error;
        if (!LoadEnvelopeKeys(SourcePath("deploy/demo"), &k, &error))
            ADD_FAILURE() << error;
        return k;
    }();
    return keys;
}
