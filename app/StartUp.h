// The guard around the program's start-up and run: whatever escapes it (a
// constructor, a missing text, the imaging factory) is shown through the
// sink and the program ends with exit code 1, instead of the runtime ending
// it without a word.
#pragma once
#include <functional>

class CMsg;

// The result of `run`, or 1 after showing what it threw.
int RunGuarded(const std::function<int()>& run, CMsg& sink);
