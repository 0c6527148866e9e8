#include "BoardModeOffer.h"

#include "FloatingButton.h"
#include "ui/widgets/Fonts.h"
#include "ui/widgets/ProgramIcon.h"

#include <algorithm>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDevice>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int Margin = 48;
constexpr int Width = 560;
constexpr int ButtonHeight = 48;

} // namespace

bool looksLikeBoard()
{
    return QGuiApplication::screens().size() == 1 ||
           std::ranges::any_of(QInputDevice::devices(), [](const QInputDevice* device) {
               return device->type() == QInputDevice::DeviceType::TouchScreen;
           });
}

QWidget* offerBoardMode(const QRect& mainWindow, std::function<void(bool on)> answer)
{
    auto* offer =
        new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    offer->setObjectName(u"BoardModeOffer"_s);
    offer->setWindowTitle(u"Mirello 大屏模式"_s);
    offer->setWindowIcon(programIcon());
    offer->setAttribute(Qt::WA_DeleteOnClose);
    offer->setAttribute(Qt::WA_ShowWithoutActivating);
    offer->setAttribute(Qt::WA_QuitOnClose, false);
    offer->setFont(chineseFont(TypeStyle::Hei, 12));
    auto* question = new QLabel(
        u"这台电脑只有一块屏幕或是触摸屏，全班都看得到屏幕上的内容。\n"
        u"要打开“大屏模式”吗？点名窗口面向全班，成绩只显示在手机上和特意打开的成绩一览里；"
        u"以后可以在功能菜单里随时切换。"_s,
        offer);
    question->setWordWrap(true);
    auto* yes = new QPushButton(u"打开大屏模式"_s, offer);
    auto* no = new QPushButton(u"不用，我用讲台电脑"_s, offer);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {yes, no}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumHeight(ButtonHeight);
        buttons->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, offer, [offer, answer, on = button == yes] {
            offer->close();
            answer(on);
        });
    }
    auto* layout = new QVBoxLayout(offer);
    layout->addWidget(question);
    layout->addLayout(buttons);
    // The wrapped question's height follows from the width.
    offer->setFixedSize(Width, layout->totalHeightForWidth(Width));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // At the top right, clear of the floating button's corner at the bottom right, and
    // moved off the main window on a small screen.
    const QRect wanted(area.right() + 1 - offer->width() - Margin, area.top() + Margin,
                       offer->width(), offer->height());
    offer->move(clearOf(wanted, mainWindow, area));
    offer->show();
    return offer;
}

} // namespace mirello
