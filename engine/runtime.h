// The platform's C runtime packages the assistant needs.
#pragma once

struct CUpdateContext;

// Sets whether the x86 and the x64 package must be installed (0 or 1 each).
// 0 for a system outside the supported family (both then needed), else 1.
int CheckRuntime(int* needX86, int* needX64);

// Downloads and starts each needed package with "/q", x86 first, counting one
// overall step for each. Failures show their texts; the run goes on. Always 1.
int InstallRuntime(CUpdateContext& context, int needX86, int needX64);
