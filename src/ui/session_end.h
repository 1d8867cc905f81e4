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

}  // namespace nolvetta::ui
