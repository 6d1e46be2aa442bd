#pragma once

// The one capability the helper uses. The package grants it as permitted only; the helper
// makes it effective around the one request that needs it and nothing else at any time (run
// by root, whose permitted set is everything, the others stay unused as well).

// Makes CAP_NET_ADMIN effective, and only it. False when it is not permitted.
bool raiseNetAdmin();
