#include "platform/qt/QtBackend.h"

#include "platform/Screen.h"
#include "platform/Services.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QStyleFactory>

// The icon is built into the backend's library; a static library must ask for its
// resources to be registered, from outside any namespace.
static void registerResources() { Q_INIT_RESOURCE(assets); }

namespace platform {

void Backend::end(Container::Native *native) { delete native; }

Form::Impl::Impl(Form &form, const QString &caption, Color backColor)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      form(form), client(new QWidget(this))
{
    setWindowTitle(caption);
    setWindowIcon(QIcon(QStringLiteral(":/ropi.png")));
    QPalette colours = client->palette();
    colours.setColor(QPalette::Window, qt::fromBgr(backColor));
    client->setPalette(colours);
    client->setAutoFillBackground(true);
    client->setFocusPolicy(Qt::NoFocus);
    setCentralWidget(client);
    setFocusPolicy(Qt::NoFocus);
    // Keys are commands, not text: an input method must not swallow them.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    client->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void Form::Impl::fitOuterSize()
{
    // The window manager's frame is only known once the window is shown; until
    // then the client takes the whole outer size.
    frameExtra = frameGeometry().size() - geometry().size();
    move(toPixels(form.Left()), toPixels(form.Top()));
    setFixedSize(std::max(1, toPixels(form.Width()) - frameExtra.width()),
                 std::max(1, toPixels(form.Height()) - frameExtra.height()));
}

void Form::Impl::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    Backend::keyDown(form, qt::virtualKeyCode(*event), qt::heldModifiers(*event),
                     Backend::stampedAgo(qt::stampAge(*event)));
}

void Form::Impl::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown, and moves it as it
    // does: fit the outer size again once the frame is known.
    if (frameGeometry().size() - geometry().size() != frameExtra)
        fitOuterSize();
}

void Backend::make(Form &form, const std::u16string &caption, Color backColor)
{
    registerResources();
    form.impl_.reset(new Form::Impl(form, qt::toQString(caption), backColor));
    form.native_.reset(new Container::Native{form.impl_->client});
}

void Backend::end(Form::Impl *impl) { delete impl; }

void Backend::show(Form &form) { impl(form).show(); }

void Backend::showGeometry(Form &form) { impl(form).fitOuterSize(); }

int Backend::runEventLoop(int argc, char **argv,
                          const std::function<std::unique_ptr<Form>()> &startup)
{
    int qtArgc = argc > 0 ? 1 : 0; // the rest of the command line is not Qt's
    QApplication app(qtArgc, argv);
    qt::configureApplication();
    const std::unique_ptr<Form> form = startup();
    return app.exec();
}

namespace qt {

void configureApplication()
{
    QApplication::setApplicationName(qt::toQString(std::u16string(App::Title())));
    // Lets a desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ropi"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(japaneseFont(QApplication::font().pointSizeF()));
}

QWidget *windowOnScreen()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (dynamic_cast<Form::Impl *>(window) && window->isVisible())
            return window;
    return nullptr;
}

} // namespace qt

} // namespace platform
