#include "core/Display.h"

#include "core/Frequency.h"

namespace ze {

int litModeIndex(const Display &display)
{
    int last = 0;
    for (int i = 0; i < modeLetters.size(); ++i) {
        if (display.modeLit(i))
            last = i;
    }
    return last;
}

void showModeLetter(Display &display, const QString &mode)
{
    // Found where the text stands in "NWALUC"; the empty text stands at the start.
    const int index = int(modeLetters.indexOf(mode));
    if (index < 0 || display.modeLit(index))
        return;
    for (int i = 0; i < modeLetters.size(); ++i)
        display.setModeLit(i, false);
    display.setModeLit(index, true);
}

} // namespace ze
