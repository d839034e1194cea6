#pragma once

namespace ze {

class Station;

// Start-up: resets the port, restores the stored settings, lists and loads the bank files and
// the ranges, blanks the display, opens the port and shows the main window, leaving the station
// in mode 0. Returns false when it stopped on a stored value it cannot use (the operator has
// been told). Runs again, whole, after a bank deletion or a log conversion.
bool StartUp(Station &station);
// Stores the main window's four settings and closes the port; the caller then ends the loop.
void ShutDown(Station &station);

} // namespace ze
