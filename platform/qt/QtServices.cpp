#include "platform/Services.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

#include <cstdlib>

namespace platform {

void Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // An error before the application exists is reported on stderr alone.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }
    // The box belongs to the game's window: transient for it, centred on it and
    // kept above it, and the window is active again once the box is closed, so
    // that its menu keys (Alt+X, Alt+V) work on at once, with or without a
    // window manager.
    QWidget *owner = qt::windowOnScreen();
    QMessageBox box(icon, qt::toQString(title), qt::toQString(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    if (owner)
        owner->activateWindow();
}

// Only handlers registered with std::at_quick_exit run; the game registers none.
void Backend::endProcess(int exitStatus) { std::quick_exit(exitStatus); }

void Backend::clearClipboard() { QGuiApplication::clipboard()->clear(); }

void Backend::setClipboardText(const std::u16string &text)
{
    QGuiApplication::clipboard()->setText(qt::toQString(text));
}

} // namespace platform
