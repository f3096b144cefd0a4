// The platform's C runtime that the assistant needs.
#pragma once

struct CUpdateContext;

// Placeholder until the runtime step exists: reports both packages present.
inline int CheckRuntime(int* needX86, int* needX64)
{
    *needX86 = 0;
    *needX64 = 0;
    return 1;
}

// Placeholder until the runtime step exists: installs nothing.
inline int InstallRuntime(CUpdateContext&, int, int)
{
    return 1;
}
