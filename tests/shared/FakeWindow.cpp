#include "FakeWindow.h"

#include "platform/Backend.h"

struct platform::Container::Native {};
struct platform::Form::Impl {};

namespace fakewindow {

std::vector<std::string> &log()
{
    static std::vector<std::string> happened;
    return happened;
}

} // namespace fakewindow

namespace platform {

Container::Container() = default;
Container::~Container() = default;

Form::Form(std::u16string, Color, float clientLeft, float clientTop, float clientWidth,
           float clientHeight)
    : left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight),
      impl_(std::make_unique<Impl>())
{
    fakewindow::log().push_back("made");
}

Form::~Form() { fakewindow::log().push_back("gone"); }

void Backend::show(Form &) { fakewindow::log().push_back("shown"); }

void Backend::showGeometry(Form &) {}

int Backend::runEventLoop(int, char **, const std::function<std::unique_ptr<Form>()> &startup)
{
    const std::unique_ptr<Form> form = startup();
    fakewindow::log().push_back(form ? "loop" : "loop without a window");
    return fakewindow::kLoopStatus;
}

void Backend::showMessageBox(const std::u16string &, int, const std::u16string &) {}

} // namespace platform
