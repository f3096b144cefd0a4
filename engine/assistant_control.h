// Stopping the assistant's programs before its files are replaced, and
// starting them again at the end of a run.
#pragma once

struct CUpdateContext;

// Makes sure the staging folder exists (0 when it cannot be created), then
// stops the WebUI program and the edition's LumaroPop program: each is started
// hidden with " -t" and given up to a minute to end, then any remaining
// process of that name is terminated. Waits two seconds more. 1 otherwise.
int StopAssistant(const CUpdateContext& context);

// Starts LumaroPop.exe, then the WebUI program, each first with "-t" and half a
// second later without arguments; programs that are not installed are skipped.
void StartAssistant();
