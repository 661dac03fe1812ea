#include "TestSupport.h"

#include "window/Form1.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace testing {

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

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

QByteArray toneWav(int milliseconds, double frequency)
{
    constexpr int kRate = 48000;
    const int frames = kRate * milliseconds / 1000;
    QByteArray wav = wavHeader(kRate, 2, 16, quint32(frames * 4));
    QDataStream out(&wav, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int i = 0; i < frames; ++i) {
        const auto sample = qint16(8000 * std::sin(2 * M_PI * frequency * i / kRate));
        out << sample << sample;
    }
    return wav;
}

void writeTone(const QString &path, int milliseconds, double frequency)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toneWav(milliseconds, frequency)) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

GameFolder::GameFolder(Cues cues, int shotCueMilliseconds) : previous_(QDir::currentPath())
{
    const QDir assets(QStringLiteral(ROPI_ASSETS_DIR));
    QFile::copy(assets.filePath(QStringLiteral("Cat.gif")),
                dir_.filePath(QStringLiteral("Cat.gif")));
    for (const QString &name : kCueFiles) {
        if (cues == GameAssets)
            QFile::copy(assets.filePath(name), dir_.filePath(name));
        else
            writeTone(dir_.filePath(name),
                      name.startsWith(QLatin1String("Cat")) ? 20 : shotCueMilliseconds);
    }
    QDir::setCurrent(dir_.path());
}

GameFolder::~GameFolder() { QDir::setCurrent(previous_); }

std::unique_ptr<Form1> showGame()
{
    auto form = std::make_unique<Form1>();
    form->Load();
    form->Show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        qWarning("the game window did not become active");
    return form;
}

void press(Form1 &form, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(form.windowHandle(), key, modifiers);
}

void closeNextModalBox(QString *title, QString *text, int keepOpenMs)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, title, text, keepOpenMs] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (title)
            *title = box->windowTitle();
        if (text)
            *text = box->text();
        poll->deleteLater();
        QTimer::singleShot(keepOpenMs, box, &QMessageBox::accept);
    });
    poll->start(10);
}

} // namespace testing
