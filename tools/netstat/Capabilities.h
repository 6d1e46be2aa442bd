#pragma once

// The command may be installed with file capabilities that let it read which process owns
// each socket. It needs them only while it reads the socket owners, and gives them all up
// before it looks names up or prints anything.

// Clears the effective, permitted, inheritable and ambient capabilities of the calling
// thread for good. Call it while the process has one thread only: capabilities belong to
// threads, and a thread started earlier would keep its own. True when none is left.
bool dropCapabilities();
