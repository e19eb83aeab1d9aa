#pragma once
// The solutions list of a loop search: the history of successive improvements
// kept in the loop slots of SolutionTable, and the texts of its entries.
//
// The list is ordered newest first: slot 0 holds the best pair found, slot 1
// the best pair as it stood before the last improvement, and so on. It is not
// the ten best pairs overall.

#include "document/SampleBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

// Records one improvement: slots 0..8 move down to 1..9 (the old slot 9 is
// dropped) and slot 0 becomes (loopStart, loopEnd). Slot 10 is never touched.
void pushSolution(SolutionTable& table, int32_t loopStart, int32_t loopEnd);

// Label of entry `index` (0..9) of the solutions list: "1st   solution" ..
// "10th solution". The blanks differ so that the words line up. An index
// outside 0..9 gives an empty string.
std::string solutionLabel(int index);

// The entry that always ends the solutions list.
std::string noLoopLabel();

// The whole list for `solutionCount` solutions (clamped to 0..10): their labels
// in slot order, then "No loop".
std::vector<std::string> solutionListEntries(int solutionCount);
