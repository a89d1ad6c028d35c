#pragma once

// A broken property stops the fuzzer with the input that broke it.
inline void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}
