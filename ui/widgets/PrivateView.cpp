#include "PrivateView.h"

#include <QApplication>
#include <QBoxLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr std::chrono::seconds Look{1};

// Watches the whole program's input, since a press lands on the child under the
// finger, and closes the window once none has reached it for its time.
class IdleClose final : public QObject
{
public:
    IdleClose(QWidget& window, std::chrono::seconds idle)
        : QObject(&window)
        , m_window(window)
        , m_idle(idle)
    {
        setObjectName(u"IdleClose"_s);
        m_sinceUse.start();
        qApp->installEventFilter(this);
        auto* look = new QTimer(this);
        connect(look, &QTimer::timeout, this, [this] {
            if (m_window.isVisible() &&
                m_sinceUse.elapsed() >= std::chrono::milliseconds(m_idle).count())
                m_window.close();
        });
        look->start(Look);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::Show:
            if (auto* widget = qobject_cast<QWidget*>(watched);
                widget && widget->window() == &m_window)
                m_sinceUse.restart();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget& m_window;
    std::chrono::seconds m_idle;
    QElapsedTimer m_sinceUse;
};

} // namespace

void keepPrivate(QWidget& window, std::chrono::seconds idle)
{
    if (window.findChild<QObject*>(u"IdleClose"_s, Qt::FindDirectChildrenOnly))
        return;
    new IdleClose(window, idle);
    auto* banner = new QLabel(u"全班都能看到这个窗口，它显示成绩。"_s +
                                  QString::number(idle.count()) + u" 秒没有操作就会自动关闭。"_s,
                              &window);
    banner->setObjectName(u"PrivateBanner"_s);
    banner->setWordWrap(true);
    banner->setStyleSheet(
        u"background: #fff3cd; color: #7a4b00; padding: 6px; font-weight: bold;"_s);
    if (auto* layout = qobject_cast<QBoxLayout*>(window.layout()))
        layout->insertWidget(0, banner);
}

} // namespace mirello
