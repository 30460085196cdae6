#pragma once

// Removes and dispatches every queued window message of the calling thread; never waits.
void drainMessages();
