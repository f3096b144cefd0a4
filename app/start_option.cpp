#include "app/start_option.h"

#include "engine/stop_argument.h"

const char kOptionUpdate[] = "-update";
const char kOptionLoseFile[] = "-losefile";

StartOption ParseStartOption(const std::string& commandTail)
{
    if (commandTail == kStopArgument)
        return StartOption::Terminate;
    if (commandTail == kOptionUpdate)
        return StartOption::Update;
    if (commandTail == kOptionLoseFile)
        return StartOption::LoseFile;
    return StartOption::None;
}

const char* StartOptionName(StartOption option)
{
    switch (option) {
    case StartOption::None:
        return "normal start";
    case StartOption::Terminate:
        return "end the running copy (-t)";
    case StartOption::Update:
        return "update check (-update)";
    case StartOption::LoseFile:
        return "repair (-losefile)";
    }
    return "unknown";
}
