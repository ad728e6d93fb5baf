#include "ConsoleWindow.h"

bool WindowShown(const std::function<WindowLook()>& look, int looks)
{
    for (int taken = 0; taken < looks; ++taken) {
        WindowLook seen = look();
        if (!seen.exists)
            return false;
        if (seen.visible)
            return !seen.minimised;
    }
    return false;
}
