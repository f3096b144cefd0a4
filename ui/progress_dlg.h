// The progress dialog that runs the update engine in one of its run modes.
#pragma once

// Placeholder until the update engine exists: no run happens yet.
void RunProgressDialog(int runMode);
