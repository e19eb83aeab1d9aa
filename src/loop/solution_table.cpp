#include "loop/solution_table.h"

namespace {

// Three blanks after the ordinal, two after "2nd", one after "10th": in the
// list's proportional font the words "solution" line up.
const char* const kLabels[SolutionTable::kSolutions] = {
    "1st   solution", "2nd  solution",  "3rd   solution", "4th   solution", "5th   solution",
    "6th   solution", "7th   solution", "8th   solution", "9th   solution", "10th solution",
};

} // namespace

void pushSolution(SolutionTable& table, int32_t loopStart, int32_t loopEnd)
{
    for (int i = SolutionTable::kSolutions - 1; i > 0; --i) {
        table.loopStart[i] = table.loopStart[i - 1];
        table.loopEnd[i] = table.loopEnd[i - 1];
    }
    table.loopStart[0] = loopStart;
    table.loopEnd[0] = loopEnd;
}

std::string solutionLabel(int index)
{
    if (index < 0 || index >= SolutionTable::kSolutions)
        return std::string();
    return kLabels[index];
}

std::string noLoopLabel()
{
    return "No loop";
}

std::vector<std::string> solutionListEntries(int solutionCount)
{
    if (solutionCount < 0)
        solutionCount = 0;
    if (solutionCount > SolutionTable::kSolutions)
        solutionCount = SolutionTable::kSolutions;
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(solutionCount) + 1);
    for (int i = 0; i < solutionCount; ++i)
        entries.push_back(kLabels[i]);
    entries.push_back(noLoopLabel());
    return entries;
}
