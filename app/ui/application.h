#pragma once

namespace quillon {

// Runs the program: the application object, real dialogs, the main window
// and the event loop. Returns the exit code.
int runApplication(int argc, char **argv);

} // namespace quillon
