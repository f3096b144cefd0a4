// release.json: what the bank's server answers for this release, all strings:
//   {"bank":"811","update":"1","url":"https://dl.example/811","v":"1.0.0.3"}
// with the bank as "%x" of its edition code.
#pragma once

#include <cstdint>
#include <string>

#include "tools/publish/options.h"

std::string ReleaseInfoJson(const PublishOptions& options);
