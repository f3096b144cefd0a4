// Handing an update over to the assistant: the notice to a running assistant
// before a forced update, and the copy of the staged files into place.
#pragma once

#include <string>

struct CUpdateContext;

// In a forced update (run mode 1, update mode 2): hides the progress dialog,
// starts the installed WebUI program with "-t", sends "UpdatePopCmd" over the
// assistant's pipe and gives it three seconds. Otherwise nothing.
void NotifyRunningAssistant(CUpdateContext& context);

// Writes "KORVA_Pop" + command + "||" + argument to the assistant's pipe, in
// one block without a terminating zero. 1 when all of it was written; 0 when
// no assistant listens (no wait, no retry) or the write was short.
int SendAssistantCommand(const std::string& command, const std::string& argument);

// Copies the staging tree over the install folder (update and repair runs; 1 at
// once in a first installation). A file that cannot be replaced ends the
// process after a message. 0 when a staging folder could not be listed.
int CopyStagedFiles(CUpdateContext& context);

// Copies every file below `folder` (the staging folder or a folder in it) to
// the same place below the install folder, names beginning with "." included;
// reparse points are left out. A destination folder that is missing is made;
// those on the way must be no reparse points. A destination file that is a
// link or has more than one name is deleted first, so the copy makes a new
// file instead of writing into another.
int CopyTree(CUpdateContext& context, const std::string& folder);
