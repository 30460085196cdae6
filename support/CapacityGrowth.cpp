#include "support/CapacityGrowth.h"

#include <climits>

int grownCapacity(long long needed) {
    // Checked before the arithmetic, which is 64-bit: needed may already be a doubled 32-bit count.
    if (needed < 0 || needed > INT_MAX) return -1;
    const long long grown = needed + (3 * needed) / 10;
    if (grown > INT_MAX - 1) return -1;
    return static_cast<int>(grown);
}
