#pragma once

// The command may be installed with file capabilities that let it read which process owns
// each socket. They are effective only while it reads the socket owners; before that they
// are kept permitted but unused, and after it the command gives them all up before it looks
// names up or prints anything.

// Keeps the permitted capabilities but makes none effective. True when none is effective.
bool lowerCapabilities();

// Makes the permitted capabilities effective, for the one step that needs them.
bool raiseCapabilities();

// Clears the effective, permitted, inheritable and ambient capabilities of the calling
// thread for good. Call it while the process has one thread only: capabilities belong to
// threads, and a thread started earlier would keep its own. True when none is left.
bool dropCapabilities();
