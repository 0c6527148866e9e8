#include "FrmAbout.h"

#include "ui/widgets/Fonts.h"
#include "ui/widgets/LabelText.h"
#include "ui/widgets/ProgramIcon.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace mirello {

FrmAbout::FrmAbout(const QString& rollFolder, QWidget* parent)
    : QWidget(parent)
    , m_logo(u":/pictures/about-logo.png"_s)
{
    setObjectName(u"FrmAbout"_s);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    // A tool window does not keep the program running by itself; this one must.
    // Set after the flags, which reset it.
    setAttribute(Qt::WA_QuitOnClose);
    setWindowTitle(u"关于"_s);
    setWindowIcon(programIcon());
    setToolTip(u"班级名册保存在：\n"_s + QDir::toNativeSeparators(rollFolder));
    createCredit();
    createCloseButton();
}

void FrmAbout::createCredit()
{
    auto* credit = new QLabel(this);
    credit->setObjectName(u"Label1"_s);
    credit->setFont(chineseFont(TypeStyle::Hei, 10.5));
    credit->move(48, 56);
    setSizedText(*credit, u"米若工作室"_s);
}

// Below the logo, for systems whose tool windows have no close button of their own.
void FrmAbout::createCloseButton()
{
    constexpr QSize LogoArea(123, 78);
    constexpr int Gap = 4;
    auto* close = new QPushButton(u"关闭"_s, this);
    close->setObjectName(u"AboutClose"_s);
    const QSize button = close->sizeHint();
    close->setGeometry(LogoArea.width() - button.width() - Gap, LogoArea.height() + Gap,
                       button.width(), button.height());
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    setFixedSize(LogoArea.width(), LogoArea.height() + button.height() + 2 * Gap);
}

void FrmAbout::paintEvent(QPaintEvent*)
{
    // The logo at its natural size from the top-left corner, never scaled.
    QPainter(this).drawPixmap(0, 0, m_logo);
}

} // namespace mirello
