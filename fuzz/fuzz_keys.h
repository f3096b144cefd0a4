// The demo deployment's keys, read once from the source tree.
#pragma once

#include <string>

#include "protocol/deploy_material.h"

const EnvelopeKeyText& FuzzEnvelopeKey();
const std::string& FuzzSigningKey();
const std::string& FuzzDetachedKey();
