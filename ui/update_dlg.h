// The update prompt offered when the server announces an optional update.
#pragma once

class CDownloaderApp;

// Placeholder until the update engine exists: the prompt shows nothing yet.
void RunUpdatePrompt(CDownloaderApp& app);
