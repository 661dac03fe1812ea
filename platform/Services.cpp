#include "platform/Services.h"

#include "platform/Form.h"
#include "platform/Runtime.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include <chrono>
#include <random>

namespace platform {

int MsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbExclamation: icon = QMessageBox::Warning; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }
    // The box belongs to the game's window: transient for it, centred on it and
    // kept above it, and the window is active again once the box is closed, so
    // that its menu keys (Alt+X, Alt+V) work on at once, with or without a
    // window manager.
    QWidget *owner = Form::onScreen();
    QMessageBox box(icon, title.isEmpty() ? kAppTitle : title, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    if (owner)
        owner->activateWindow();
    return 1;
}

void Clipboard::Clear() { QGuiApplication::clipboard()->clear(); }

void Clipboard::SetText(const QString &text, int) { QGuiApplication::clipboard()->setText(text); }

std::int16_t App::Major() { return ROPI_VERSION_MAJOR; }
std::int16_t App::Minor() { return ROPI_VERSION_MINOR; }
std::int16_t App::Revision() { return ROPI_VERSION_PATCH; }

namespace {

std::mt19937_64 &generator()
{
    static std::mt19937_64 engine(std::random_device{}());
    return engine;
}

} // namespace

void Randomize()
{
    Randomize(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

void Randomize(std::uint64_t seed) { generator().seed(seed); }

double Rnd()
{
    // 53 random bits scaled by 2^-53: every value is exact and below 1.
    return static_cast<double>(generator()() >> 11) * 0x1.0p-53;
}

QString Str(long number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

QString CStr(long number) { return QString::number(number); }

} // namespace platform
