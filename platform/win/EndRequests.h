// Requests from outside to end the process: SIGTERM, SIGINT and SIGHUP. The signal handler
// only writes the signal's number to a pipe that the message queue watches; the process's
// own handling runs on the UI thread at the next retrieval of a message, inside whatever
// loop waits (a dialog's, a message box's).
#pragma once

#include <functional>

namespace zwin {

// Hands each of these signals to `onRequest`. A second signal of the same kind takes its
// default action, so a process that no longer takes messages can still be stopped. False
// when the pipe or a handler cannot be set up; the signals then keep their default action.
bool WatchEndRequests(std::function<void(int signal)> onRequest);
// The default actions again; a request not handled yet is dropped.
void UnwatchEndRequests();

} // namespace zwin
