#include "TestSupport.h"

#include "window/Form1.h"

#include <QDataStream>
#include <QDir>
#include <QTest>

#include <cmath>

namespace testing {

QByteArray wavHeader(quint32 rate, quint16 channels, quint16 bits, quint32 dataBytes)
{
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << channels << rate << quint32(rate * channels * bits / 8)
        << quint16(channels * bits / 8) << bits;
    out.writeRawData("data", 4);
    out << dataBytes;
    return header;
}

void writeTone(const QString &path, int milliseconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(wavHeader(48000, 2, 16, 192 * milliseconds), 44);
    for (int i = 0; i < 48 * milliseconds; ++i) {
        const auto sample = qint16(8000 * std::sin(2 * M_PI * 440 * i / 48000));
        out << sample << sample;
    }
}

GameFolder::GameFolder(int shotMs) : previous_(QDir::currentPath())
{
    QFile::copy(QStringLiteral(ROPI_ASSETS_DIR "/Cat.gif"), path(QStringLiteral("Cat.gif")));
    for (const QString &name : kCueFiles)
        writeTone(path(name), name.startsWith(QLatin1String("Cat")) ? 20 : shotMs);
    QDir::setCurrent(dir_.path());
}

GameFolder::~GameFolder() { QDir::setCurrent(previous_); }

std::unique_ptr<Form1> showGame()
{
    auto form = std::make_unique<Form1>();
    form->Load();
    form->Show();
    qt::window(*form).activateWindow();
    if (!QTest::qWaitForWindowActive(&qt::window(*form)))
        qWarning("the game window did not become active");
    return form;
}

void press(Form1 &form, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(qt::window(form).windowHandle(), key, modifiers);
}

} // namespace testing
