#pragma once

namespace quillon {

// quillon-cli: parses the options, runs one command, returns the exit status.
int runCli(int argc, char **argv);

} // namespace quillon
