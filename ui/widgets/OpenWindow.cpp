#include "OpenWindow.h"

#include <QAction>
#include <QWidget>

namespace mirello {

void closeOnEscape(QWidget& window)
{
    auto* escape = new QAction(&window);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(escape, &QAction::triggered, &window, [&window] {
        if (window.isFullScreen())
            window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
        else
            window.close();
    });
    window.addAction(escape);
}

} // namespace mirello
