#include "platform/Services.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <cstdlib>

namespace platform {

int Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // An error before the application exists is reported on stderr alone.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return vbOK;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }
    // The buttons in the game's Japanese, whatever the desktop's language; Esc and the close
    // box give Cancel where there is one.
    struct Choice {
        QMessageBox::StandardButton button;
        const char16_t *caption;
        int result;
    };
    static const Choice kOk{QMessageBox::Ok, u"OK", vbOK},
        kCancel{QMessageBox::Cancel, u"キャンセル", vbCancel},
        kYes{QMessageBox::Yes, u"はい(&Y)", vbYes}, kNo{QMessageBox::No, u"いいえ(&N)", vbNo};
    std::vector<Choice> choices{kOk};
    if ((style & 0xF) == vbOKCancel)
        choices = {kOk, kCancel};
    else if ((style & 0xF) == vbYesNoCancel)
        choices = {kYes, kNo, kCancel};
    // The box belongs to the game's window: transient for it, centred on it and
    // kept above it, and the window is active again once the box is closed, so
    // that its menu keys (Alt+X, Alt+V) work on at once, with or without a
    // window manager.
    QWidget *owner = qt::windowOnScreen();
    QMessageBox box(icon, qt::toQString(title), qt::toQString(text), QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    for (const Choice &choice : choices)
        box.addButton(choice.button)->setText(QString::fromUtf16(choice.caption));
    box.setDefaultButton(choices.front().button);
    box.setEscapeButton(choices.back().button);
    const int chosen = box.exec();
    if (owner)
        owner->activateWindow();
    for (const Choice &choice : choices)
        if (chosen == choice.button)
            return choice.result;
    return choices.back().result;
}

// Where the desktop keeps a program's settings: QSettings' file in $XDG_CONFIG_HOME (or
// ~/.config), <app>/<app>.conf, with a group for each section.
void Backend::saveSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &value)
{
    QSettings settings(qt::toQString(appName), qt::toQString(appName));
    settings.setValue(qt::toQString(section) + u'/' + qt::toQString(key), qt::toQString(value));
    settings.sync(); // a store that cannot be written keeps nothing: the game plays on
}

std::optional<std::u16string> Backend::loadSetting(const std::u16string &appName,
                                                   const std::u16string &section,
                                                   const std::u16string &key)
{
    const QSettings settings(qt::toQString(appName), qt::toQString(appName));
    const QVariant value = settings.value(qt::toQString(section) + u'/' + qt::toQString(key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdU16String();
}

// Only handlers registered with std::at_quick_exit run; the game registers none.
void Backend::endProcess(int exitStatus) { std::quick_exit(exitStatus); }

void Backend::clearClipboard() { QGuiApplication::clipboard()->clear(); }

void Backend::setClipboardText(const std::u16string &text)
{
    QGuiApplication::clipboard()->setText(qt::toQString(text));
}

} // namespace platform
