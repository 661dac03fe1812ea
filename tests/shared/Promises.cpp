#include "Promises.h"

#include "Files.h"

#include "platform/MenuItem.h"
#include "platform/Runtime.h"
#include "platform/Timer.h"
#include "platform/shared/Backend.h"
#include "window/Form1.h"

#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace promises {

namespace {

// Collects the promises broken.
struct Faults {
    std::string said;
    void expect(bool kept, const char *promise)
    {
        if (!kept)
            said += std::string(promise) + "; ";
    }
};

} // namespace

std::string menuFaults(platform::Form &window, const System &system)
{
    Faults faults;
    platform::MenuItem menu(window, u"せってい");
    platform::MenuItem checked(menu, u"a", true), unchecked(menu, u"b");
    int clicks = 0;
    checked.Click.connect([&clicks] { ++clicks; });
    system.choose(checked);
    system.choose(unchecked);
    system.handleQueued();
    faults.expect(clicks == 1, "a choice is told once, to its own entry");
    faults.expect(checked.Checked() && system.marked(checked), "a choice keeps its mark");
    faults.expect(!unchecked.Checked() && !system.marked(unchecked), "a choice marks nothing");
    unchecked.setChecked(true);
    faults.expect(system.marked(unchecked), "a mark set is shown");
    faults.expect(!system.greyed(unchecked), "an entry is usable");
    unchecked.setEnabled(false);
    faults.expect(system.greyed(unchecked), "a disabled entry is greyed");
    return faults.said;
}

std::string timerFaults(platform::Form &window, const System &system)
{
    Faults faults;
    platform::Timer timer(window, 200);
    int ticks = 0;
    timer.Tick.connect([&ticks] { ++ticks; });
    system.handleQueued();                             // the new window's own messages first
    const auto busyFor = [&system](int milliseconds) { // then handles what came meanwhile
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        system.handleQueued();
    };
    timer.setEnabled(true);
    busyFor(1100); // the window is busy, as while a shot's cue sounds, over five periods
    faults.expect(ticks == 1, "the ticks that fell due while busy come as one");
    timer.setInterval(0);
    busyFor(300);
    faults.expect(ticks == 1, "an Interval of 0 never ticks");
    timer.setInterval(200); // counts from now: one tick by 300 ms
    busyFor(300);
    faults.expect(ticks == 2, "a new period ticks");
    timer.setEnabled(false);
    busyFor(300);
    faults.expect(ticks == 2, "a disabled timer is quiet");
    return faults.said;
}

std::string altKeyFaults(Form1 &game, const std::function<void(char key)> &pressWithAlt)
{
    Faults faults;
    const std::pair<char, int> speeds[] = {{'4', 250}, {'3', 500}, {'2', 1000}, {'1', 2000}};
    for (const auto &[key, interval] : speeds) {
        pressWithAlt(key);
        faults.expect(game.catInterval == interval, "Alt with a speed key sets the speed");
    }
    pressWithAlt('5');
    faults.expect(!game.Imgput.Checked(), "Alt+5 hides the cat");
    pressWithAlt('F');
    pressWithAlt('J');
    faults.expect(game.score == -20, "Alt+F and Alt+J shoot"); // two misses, the cat at the left
    return faults.said;
}

std::string fileFaults()
{
    using platform::Backend;
    using platform::media::FileCheck;
    using platform::media::kMaxCueFileBytes;
    Faults faults;
    testfiles::Folder folder;
    faults.expect(Backend::readFile(u"Cat0.wav", kMaxCueFileBytes).check == FileCheck::Missing,
                  "a missing file is missing");
    const testfiles::Bytes cue = testfiles::tone(10);
    const auto read = Backend::readFile(folder.write(u"ピンポン.wav", cue), kMaxCueFileBytes);
    faults.expect(read.check == FileCheck::Read && read.bytes == cue, "a cue is read whole");
    std::filesystem::create_directory(folder.path(u"folder.wav"));
    faults.expect(Backend::readFile(u"folder.wav", kMaxCueFileBytes).check == FileCheck::NotAFile,
                  "a folder is no file");
    faults.expect(Backend::readFile(folder.write(u"empty.wav", {}), kMaxCueFileBytes).check ==
                      FileCheck::NotAFile,
                  "an empty file is no cue");
    folder.write(u"huge.wav", cue);
    std::filesystem::resize_file(folder.path(u"huge.wav"), kMaxCueFileBytes + 1); // a hole
    faults.expect(Backend::readFile(u"huge.wav", kMaxCueFileBytes).check == FileCheck::NotAFile,
                  "a file over the limit is refused");
#ifndef _WIN32
    // Opening a FIFO for reading would wait for a writer that never comes.
    faults.expect(::mkfifo(folder.path(u"fifo.wav").c_str(), 0600) == 0 &&
                      Backend::readFile(u"fifo.wav", kMaxCueFileBytes).check == FileCheck::NotAFile,
                  "a FIFO is no file");
#endif
    return faults.said;
}

std::string pictureFaults()
{
    using namespace platform;
    Faults faults;
    testfiles::Folder folder;
    const auto error = [] { // the error the picture raises, naming it; 0 for none
        try {
            LoadPicture(u"Cat.gif");
        } catch (const RuntimeError &raised) {
            return raised.fileName() == u"Cat.gif" ? raised.number() : -1;
        }
        return 0;
    };
    testfiles::Bytes cat = testfiles::catPicture();
    folder.write(u"Cat.gif", cat);
    faults.expect(error() == 0, "the cat is read");
    cat.resize(13); // the header, then no picture
    cat.resize(213, 0xFF);
    folder.write(u"Cat.gif", cat);
    faults.expect(error() == kErrInvalidPicture, "a GIF broken after its header is refused");
#ifndef _WIN32
    std::filesystem::remove(folder.path(u"Cat.gif"));
    faults.expect(::mkfifo(folder.path(u"Cat.gif").c_str(), 0600) == 0 &&
                      error() == kErrInvalidPicture,
                  "a FIFO is no picture");
#endif
    // Behind the checks of the file: a canvas of 0 x 0, sized by its frame, is 100 MB decoded.
    faults.expect(!Backend::decodeGif(testfiles::gif(0, 0, {{0, 0, 5000, 5000}})),
                  "the decoder keeps a limit of its own");
    return faults.said;
}

} // namespace promises
