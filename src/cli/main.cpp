// ringtide-cli: the loop engine from the command line, for batches of files.

#include "cli/cli_args.h"
#include "cli/commands.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const ParseOutcome parsed = parseArguments(argc, argv);
    if (!parsed.ok) {
        std::fprintf(stderr, "ringtide-cli: %s\n", parsed.error.c_str());
        return 2;
    }
    const CliOptions& options = parsed.options;
    if (options.help) {
        std::fputs(helpText(options.command).c_str(), stdout);
        return 0;
    }
    switch (options.command) {
    case CliCommand::Info: return runInfo(options);
    case CliCommand::Search: return runSearch(options);
    case CliCommand::Loop: return runLoop(options);
    case CliCommand::Check: return runCheck(options);
    case CliCommand::Convert: return runConvert(options);
    default: return 2;
    }
}
