#include "app/start_option.h"

const char kOptionTerminate[] = "-t";
const char kOptionUpdate[] = "-update";
const char kOptionLoseFile[] = "-losefile";

StartOption ParseStartOption(const std::string& commandTail)
{
    if (commandTail == kOptionTerminate)
        return StartOption::Terminate;
    if (commandTail == kOptionUpdate)
        return StartOption::Update;
    if (commandTail == kOptionLoseFile)
        return StartOption::LoseFile;
    return StartOption::None;
}
