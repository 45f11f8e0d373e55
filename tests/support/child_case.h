#pragma once

#include <string>

#include "tests/support/child_process.h"

// Child cases: code that a test runs in a child process of its own program, typically something
// that ends the process. A test program linked with zr3_test_main runs the case NAME instead of its
// tests when started with "--zr3-child NAME"; RunChildCase (child_process.h) starts it so.
//
//   ZR3_CHILD_CASE(SixthInsert) { ObjectCollection c(5, 0); ... }
//   TEST(X, Y) { ChildResult r = RunChildCase("SixthInsert"); EXPECT_EQ(r.exitCode, 214); }
//
// A case whose body returns ends the child with ChildCaseReturned.

// Runs this test program again as a child that executes only the child case of that name.
ChildResult RunChildCase(const std::string& name);

using ChildCaseBody = void (*)();

constexpr int ChildCaseReturned = 99;
constexpr int ChildCaseUnknown = 98;

bool RegisterChildCase(const char* name, ChildCaseBody body);

// Runs the registered case if the arguments ask for one; returns whether they did, with the
// process's exit code in exitCode.
bool RunRequestedChildCase(int argc, char** argv, int& exitCode);

#define ZR3_CHILD_CASE(name)                                        \
    static void ChildCase_##name();                                 \
    [[maybe_unused]] static const bool childCaseRegistered_##name = \
        RegisterChildCase(#name, &ChildCase_##name);                \
    static void ChildCase_##name()
