#include "TestSupport.h"

#include "window/Form1.h"

#include <QDir>
#include <QTest>

namespace testing {

void writeFile(const QString &path, const testfiles::Bytes &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
}

GameFolder::GameFolder(int shotMs)
{
    write(u"Cat.gif", testfiles::catPicture());
    for (const QString &name : kCueFiles)
        writeFile(path(name), testfiles::tone(name.startsWith(QLatin1String("Cat")) ? 20 : shotMs));
}

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
