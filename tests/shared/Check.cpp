#include "Check.h"

#include "platform/shared/Text.h"

#include <cstdio>
#include <vector>

namespace check {

namespace {

struct Test {
    const char *name;
    void (*run)();
};

std::vector<Test> &tests()
{
    static std::vector<Test> all;
    return all;
}

int failures = 0;

} // namespace

void registerTest(const char *name, void (*test)()) { tests().push_back({name, test}); }

void fail(const char *file, int line, const std::string &what)
{
    ++failures;
    std::printf("  FAIL %s:%d: %s\n", file, line, what.c_str());
}

std::string describe(const std::u16string &text) { return "u\"" + platform::toUtf8(text) + '"'; }

} // namespace check

// Runs every test.
int main()
{
    const int run = int(check::tests().size());
    int failed = 0;
    for (const auto &[name, test] : check::tests()) {
        const int before = check::failures;
        test();
        failed += check::failures == before ? 0 : 1;
        std::printf("%s %s\n", check::failures == before ? "PASS" : "FAIL", name);
    }
    std::printf("%d of %d tests passed\n", run - failed, run);
    return run > 0 ? failed : 1;
}
