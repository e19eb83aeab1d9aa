#pragma once
// The commands of ringtide-cli. Each returns the process exit status:
// 0 when every file succeeded, 1 when any failed, 2 for a command line that
// only turns out wrong once the files are known (e.g. two inputs that would
// be saved under one name).

#include "cli/cli_args.h"

int runInfo(const CliOptions& options);
int runSearch(const CliOptions& options);
int runLoop(const CliOptions& options);
int runCheck(const CliOptions& options);
int runConvert(const CliOptions& options);

// True when standard error is a terminal (progress lines are shown then).
bool stderrIsTerminal();
