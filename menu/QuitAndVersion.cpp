#include "platform/Runtime.h"
#include "platform/Services.h"
#include "window/Form1.h"

using namespace platform;

// Ends at once, leaving the sound to the end of the process.
void Form1::mnuEnd_Click() { End(); }

void Form1::mnuVersion_Click()
{
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    text += QStringLiteral("ろぴぽ～ゲーム") + crlf;
    text += crlf;
    text += QStringLiteral("バージョン") + CStr(App::Major()) + QStringLiteral(".");
    text += CStr(App::Minor()) + crlf;
    text += QStringLiteral("制作：ろぴ開発チーム");
    MsgBox(text, vbInformation, QStringLiteral("バージョン情報"));
}
