#include "tools/publish/edition_list.h"

#include <algorithm>
#include <sstream>

namespace {

const char kBlanks[] = " \t\r";
const char kCommentMark = '#';

}  // namespace

std::set<std::string> ParseEditionList(const std::string& text)
{
    std::set<std::string> listed;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string::npos || line[first] == kCommentMark)
            continue;
        std::string entry = line.substr(first, line.find_last_not_of(kBlanks) + 1 - first);
        std::replace(entry.begin(), entry.end(), '/', '\\');
        listed.insert(entry);
    }
    return listed;
}

bool SplitByEditionList(const std::vector<SourceFile>& files, const std::set<std::string>& listed,
                        std::vector<SourceFile>* common, std::vector<SourceFile>* edition, std::string* error)
{
    std::set<std::string> unmatched = listed;
    for (const SourceFile& file : files) {
        const bool inEdition = unmatched.erase(EntryName(file)) > 0;
        (inEdition ? edition : common)->push_back(file);
    }
    if (!unmatched.empty()) {
        *error = "edition list names a file that is not in the files folder: " + *unmatched.begin();
        return false;
    }
    return true;
}
