// The platform's C runtime packages the assistant needs.
#pragma once

struct CUpdateContext;

// Sets whether the x86 and the x64 package must be installed (0 or 1 each).
// 0 for a system outside the supported family (both then needed), else 1.
int CheckRuntime(int* needX86, int* needX64);

// Downloads each needed package, x86 first, into a folder of its own and starts
// it with "/q" when Windows trusts its signature and the deployment's publisher
// made it (kBuiltInRuntimePublisher), counting one overall step for each.
// Failed downloads and untrusted packages show the failure texts; the run goes
// on. Always 1.
int InstallRuntime(CUpdateContext& context, int needX86, int needX64);
