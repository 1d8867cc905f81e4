#pragma once

#include <functional>

namespace nolvetta::ui {

// Catches the termination signals (SIGTERM, SIGHUP, SIGINT) from this moment
// on, so that none ends the program before it can save. Call it first thing.
void catchTerminationSignals();

// Calls `end` on the event loop when a termination signal has come (also one
// caught before this call) or the session manager asks for a logout's save.
// Needs the application.
void onSessionEnd(std::function<void()> end);

// Ends the program once its lists are saved. Qt's whole teardown is waited
// for only when the program owns the clipboard, whose text a clipboard
// manager then takes over; otherwise nothing it would do is needed.
int endProgram(int status);

}  // namespace nolvetta::ui
