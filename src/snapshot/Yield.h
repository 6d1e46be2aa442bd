#pragma once

#include <functional>

// Lets pending window messages run in the middle of a long operation. The program passes
// QCoreApplication::processEvents; an empty function yields nothing.
using YieldFunction = std::function<void()>;

inline void yieldTo(const YieldFunction& yield) {
    if (yield)
        yield();
}
