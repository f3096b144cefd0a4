// Programs and DLLs of the system folder, named by full path.
#pragma once

#include <string>

// The system folder + "\" + `fileName` ("C:\Windows\system32\msiexec.exe");
// empty when the system folder cannot be read. This program runs with
// administrator rights from wherever a browser saved it: a bare name would be
// looked for in that folder first, where anyone may have left a file of that
// name.
std::string SystemFolderPath(const std::string& fileName);
