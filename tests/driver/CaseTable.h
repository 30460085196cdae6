#pragma once

#include <initializer_list>
#include <tuple>

#include <gtest/gtest.h>

// Table-driven tests without a struct and a loop per table: each row is the case's name followed
// by its fields, and every row runs under SCOPED_TRACE of its name.
namespace testdriver {

template <typename... Fields>
using CaseRows = std::initializer_list<std::tuple<const char*, Fields...>>;

// Calls check(fields...) for every row. A fatal failure ends the table, as it would end a loop.
template <typename... Fields, typename Check>
void forEachCase(CaseRows<Fields...> rows, Check check) {
    for (const auto& row : rows) {
        SCOPED_TRACE(std::get<0>(row));
        std::apply([&](const char*, const Fields&... fields) { check(fields...); }, row);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// The same for rows without a name, where the first field tells the rows apart: it is printed
// as GoogleTest prints a value.
template <typename... Fields, typename Check>
void forEachRow(std::initializer_list<std::tuple<Fields...>> rows, Check check) {
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(std::get<0>(row)));
        std::apply(check, row);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Expects compute(input) == expected for every row {name, input, expected}.
template <typename Input, typename Expected, typename Compute>
void expectEachCase(Compute compute, CaseRows<Input, Expected> rows) {
    for (const auto& row : rows) {
        SCOPED_TRACE(std::get<0>(row));
        EXPECT_EQ(compute(std::get<1>(row)), std::get<2>(row));
    }
}

}  // namespace testdriver
