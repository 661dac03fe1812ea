#include "platform/Runtime.h"

#include "platform/Services.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#endif

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
    std::fprintf(stderr, "%s: %s\n", toUtf8(kAppTitle).c_str(), toUtf8(line).c_str());
    MsgBox(error.reportText(), vbCritical);
    End(1);
}

void End(int exitStatus)
{
    std::fflush(nullptr);
    // At once: no event, timer or destructor of the game runs after this. Only
    // handlers registered with std::at_quick_exit run; the game registers none.
    // Windows' C runtime of mingw-w64 has no quick_exit: _Exit is the same without them.
#if defined(_WIN32)
    std::_Exit(exitStatus);
#elif defined(__EMSCRIPTEN__)
    // A page has no process to end: the program stops here, and the page, told the status
    // (Module.onExit), takes the game off and says that it ended.
    emscripten_force_exit(exitStatus);
    std::abort(); // never reached
#else
    std::quick_exit(exitStatus);
#endif
}

} // namespace platform
