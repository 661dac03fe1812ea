#pragma once

// A small harness for the tests that need no toolkit, so that they build and run
// wherever the game does. A TEST is a function; CHECK and CHECK_EQ record a
// failure with its place and go on; the program's status is the number of
// failed tests.

#include <sstream>
#include <string>

namespace check {

void registerTest(const char *name, void (*test)());
void fail(const char *file, int line, const std::string &what);

// How a value reads in a failure.
std::string describe(const std::u16string &text);
inline std::string describe(const char16_t *text) { return describe(std::u16string(text)); }
inline std::string describe(const std::string &text) { return '"' + text + '"'; }
inline std::string describe(const char *text) { return describe(std::string(text)); }
template <typename T> std::string describe(const T &value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

template <typename A, typename B>
void equal(const char *file, int line, const char *expression, const A &actual, const B &expected)
{
    if (!(actual == expected))
        fail(file, line,
             std::string(expression) + ": " + describe(actual) + ", expected " +
                 describe(expected));
}

struct Registration {
    Registration(const char *name, void (*test)()) { registerTest(name, test); }
};

} // namespace check

#define TEST(name)                                                                                 \
    static void name();                                                                            \
    static const check::Registration name##Registration(#name, name);                              \
    static void name()
#define CHECK(expression)                                                                          \
    ((expression) ? void() : check::fail(__FILE__, __LINE__, "not true: " #expression))
#define CHECK_EQ(actual, expected) check::equal(__FILE__, __LINE__, #actual, (actual), (expected))
