#include "platform/Runtime.h"

#include "platform/Services.h"
#include "platform/shared/Backend.h"
#include "platform/shared/Text.h"

#include <cstdio>

namespace platform {

namespace {
bool ending = false;
}

bool isEnding() { return ending; }

void reportErrorAndEnd(const RuntimeError &error)
{
    ending = true;
    // Also on stderr, on one line, so that a run without anyone at the screen still says why it
    // ended.
    std::u16string line = error.reportText();
    for (char16_t &c : line)
        if (c == u'\n')
            c = u' ';
    std::fprintf(stderr, "%s: %s\n", toUtf8(std::u16string(App::Title())).c_str(),
                 toUtf8(line).c_str());
    MsgBox(error.reportText(), vbCritical);
    End(1);
}

void End(int exitStatus)
{
    std::fflush(nullptr);
    Backend::endProcess(exitStatus);
}

} // namespace platform
