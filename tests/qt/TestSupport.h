#pragma once

#include "Files.h"
#include "platform/qt/QtBackend.h"

#include <QStringList>

#include <memory>
#include <string>

class Form1;

namespace testing {

namespace qt = platform::qt;

// The game's text as Qt prints it when a comparison fails.
inline QString qs(const std::u16string &text) { return QString::fromStdU16String(text); }

// The game's seven cues: the five cat cues, then the hit and the miss.
inline const QStringList kCueFiles{"Cat0.wav", "Cat1.wav",     "Cat2.wav", "Cat3.wav",
                                   "Cat4.wav", "ピンポン.wav", "ブー.wav"};

// Writes a file made by the shared test files (testfiles::tone, testfiles::gif...).
void writeFile(const QString &path, const testfiles::Bytes &bytes);

// A temporary current directory holding the game's picture and short cues:
// 20 ms for the cat, shotMs for a hit or a miss.
class GameFolder : public testfiles::Folder {
public:
    explicit GameFolder(int shotMs = 30);
    QString path(const QString &name) const
    {
        return QString::fromStdU16String(Folder::path(name.toStdU16String()).u16string());
    }
};

// A loaded, shown and active game window: keys reach it as on a desktop.
std::unique_ptr<Form1> showGame();

// A key pressed and released on the game's window, routed by Qt like a real one.
void press(Form1 &form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace testing
