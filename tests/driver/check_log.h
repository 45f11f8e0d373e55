// What a driver prints while it checks ("ok   what: shown", "FAIL: ..."), and the count of the
// failures that makes its exit code.
#pragma once

#include <string>

void Say(const std::string& line);
void Fail(const std::string& line);
// "ok" when the tool shows what is expected, else a failure naming both.
void Expect(const std::string& what, const std::string& shown, const std::string& expected);
// "ok" when the tool shows a number with exactly `decimals` decimals.
void ExpectFixed(const std::string& what, const std::string& shown, int decimals);
int Failures();
// 0 when nothing failed, else 1.
int Verdict();

// A number with exactly `decimals` decimals, as the tool's value fields show them.
bool IsFixed(const std::string& text, int decimals);
// A value as text with `decimals` decimals, for what a driver prints.
std::string Fixed(double value, int decimals);
