#include "platform/Form.h"

#include "platform/Controls.h"
#include "platform/KeyCodes.h"
#include "platform/Screen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyleFactory>

namespace platform {

Form::Form(const QString &caption, quint32 backColor, float clientLeft, float clientTop,
           float clientWidth, float clientHeight)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight)
{
    setWindowTitle(caption);
    auto *clientArea = new QWidget(this);
    QPalette colours = clientArea->palette();
    colours.setColor(QPalette::Window, fromBgr(backColor));
    clientArea->setPalette(colours);
    clientArea->setAutoFillBackground(true);
    clientArea->setFocusPolicy(Qt::NoFocus);
    setCentralWidget(clientArea);
    setFocusPolicy(Qt::NoFocus);
    // Keys are commands, not text: an input method must not swallow them.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    clientArea->setAttribute(Qt::WA_InputMethodEnabled, false);
    fitOuterSize();
}

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

Form *Form::onScreen()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<Form *>(window); form && form->isVisible())
            return form;
    return nullptr;
}

void Form::Move(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    fitOuterSize();
}

void Form::fitOuterSize()
{
    // The window manager's frame is only known once the window is shown; until
    // then the client takes the whole outer size.
    frameExtra_ = frameGeometry().size() - geometry().size();
    move(toPixels(left_), toPixels(top_));
    setFixedSize(std::max(1, toPixels(width_) - frameExtra_.width()),
                 std::max(1, toPixels(height_) - frameExtra_.height()));
}

void Form::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    std::int16_t keyCode = virtualKeyCode(*event);
    const std::int16_t shift = shiftState(*event);
    guarded([&] { Form_KeyDown(keyCode, shift); });
}

void Form::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown, and moves it as it
    // does: fit the outer size again once the frame is known.
    if (frameGeometry().size() - geometry().size() != frameExtra_)
        fitOuterSize();
}

void configureApplication()
{
    QApplication::setApplicationName(kAppTitle);
    // Lets a desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ropi"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font = japaneseFont(QApplication::font().pointSizeF());
    QApplication::setFont(font);
}

} // namespace platform
