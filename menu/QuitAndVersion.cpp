#include "platform/Runtime.h"
#include "platform/Services.h"
#include "window/Form1.h"

using namespace platform;

// Ends at once, leaving the sound to the end of the process.
void Form1::mnuEnd_Click() { End(); }

void Form1::mnuVersion_Click()
{
    const std::u16string crlf = u"\r\n";
    std::u16string text;
    text += u"ろぴぽ～ゲーム" + crlf;
    text += crlf;
    text += u"バージョン" + CStr(App::Major()) + u".";
    text += CStr(App::Minor()) + crlf;
    text += u"制作：ろぴ開発チーム";
    MsgBox(text, vbInformation, u"バージョン情報");
}
