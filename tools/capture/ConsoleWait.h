// Double-clicked in Explorer, a console program gets a console of its own
// that closes the moment it ends, before the user has read its last lines.
#pragma once

// When this program is alone in the console it reads from and writes to,
// says "Press Enter to close." and waits for Enter. Started from a prompt or
// a script (their shell shares the console), or with its input or output a
// pipe or a file, it does not wait.
void PauseIfAloneInConsole();
