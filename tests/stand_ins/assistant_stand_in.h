// What the stand-ins of the assistant's programs record, where, and how a test
// steers them; shared by the stand-ins and the tests.
#pragma once

// The pipe the edition's LumaroPop program serves (fixed by the assistant).
constexpr char kAssistantPipe[] = "\\\\.\\pipe\\KORVA_PopKORVA811";

// One line per start: the process's creation time (16 hexadecimal digits of
// its FILETIME, so the text order is the order in which the processes were
// created, whatever order they got to write in), a blank, the program's file
// name, then a blank and the command-line tail when there is one
// ("01da5c3e8f2b1a40 WebUI_811.exe -t", "01da5c3e8f2b1a41 LumaroPop.exe").
constexpr char kAssistantStartsLog[] = "C:\\pellis-test\\assistant-starts.log";

// One line per message received on the assistant's pipe: its bytes in
// lower-case hexadecimal.
constexpr char kAssistantPipeLog[] = "C:\\pellis-test\\pipe.log";

// While an event of this name exists and is not set, a start with "-t" waits
// for it before ending: a test holds the updater inside its stop step.
constexpr char kHoldStoppingEvent[] = "pellis-test-hold-stopping";
