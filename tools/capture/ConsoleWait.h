// Double-clicked in Explorer, a console program gets a console of its own
// that closes the moment it ends, before the user has read its last lines.
#pragma once

// When this program is alone in a console whose window is shown, and reads
// from and writes to that console, says "Press Enter to close." and waits for
// Enter. Started from a prompt or a script (their shell shares the console),
// hidden (CREATE_NO_WINDOW, as services, scheduled tasks and management tools
// start programs: no one could press Enter), or with its input or output a
// pipe or a file, it does not wait.
void PauseIfAloneInConsole();
