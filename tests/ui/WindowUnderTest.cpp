#include "WindowUnderTest.h"

#include "ui/PanelStatusBar.h"

#include <QCursor>
#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

QString WindowUnderTest::panelText() const
{
    return window.findChild<mirello::PanelStatusBar*>(u"StatusBar1"_s)->panelText();
}

bool WindowUnderTest::shows(const QString& picture, const QString& iconFile) const
{
    const QImage expected(QDir(programFolder).filePath(u"Icons/"_s + iconFile));
    return label(picture)->pixmap().toImage() == QPixmap::fromImage(expected).toImage();
}

bool WindowUnderTest::show()
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QCursor::setPos(window.mapToGlobal(QPoint(-40, -40)));
    return true;
}

void WindowUnderTest::moveOverSurface()
{
    QTest::mouseMove(&window, QPoint(10, 120 + 10 * (m_surfaceMoves++ % 2)));
}

void WindowUnderTest::clickStartPause() const
{
    QTest::mouseClick(control(u"PicSP"_s), Qt::LeftButton);
}
