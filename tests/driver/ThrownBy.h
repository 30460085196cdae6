#pragma once

#include <gtest/gtest.h>

#include "support/IOException.h"

namespace testdriver {

// Runs action, which must throw an IOException, and returns what it threw. When nothing is thrown
// the test fails here and an empty pair of kind -1 comes back, so the caller's checks fail too.
template <typename Action>
IOException thrownBy(Action action) {
    try {
        action();
    } catch (const IOException& e) {
        return e;
    }
    ADD_FAILURE() << "no IOException";
    return IOException(L"", L"", -1);
}

}  // namespace testdriver
