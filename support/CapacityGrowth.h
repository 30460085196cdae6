#pragma once

// The growth rule of every buffer that grows by need (the converters', StringWriter's, the room
// faultpost reserves for its report): the need plus 30 %, in integer arithmetic (needed 1200
// gives 1560), so that text written piece by piece grows the buffer a few times, not each time.
// -1 when the result, with room for a terminator, no longer fits a 32-bit count; callers raise
// notEnoughMemory() then, before allocating anything. Never throws.
int grownCapacity(long long needed);
