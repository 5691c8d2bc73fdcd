// Timers on the host's simulated clock (mdlSystem_setTimerFunction).
#pragma once

namespace pixmend::host {

// Moves the clock on by `units` (60 to the second), firing every timer that falls due on the
// way, in order of due time (then of handle), each inside its application's scope. A timer that
// keeps firing is stopped after 100000 firings in one advance, reported on the text channel.
// Journals "timer: HANDLE" per firing. Returns the firings.
int advanceClock(long units);
long hostClock();
// Whether a timer waits for the clock (a program that moves the clock with real time, as
// pixmend serve does, needs to only while one does).
bool timersPending();

}  // namespace pixmend::host
