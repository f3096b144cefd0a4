// "-t", the whole command-line tail that asks running copies to end. The
// downloader reads it from its own command line and passes it to the
// assistant's programs on every start that is not a plain one (stopping, the
// restart, the forced-update notice); what they do with it is theirs.
#pragma once

inline constexpr char kStopArgument[] = "-t";
