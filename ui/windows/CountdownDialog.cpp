#include "CountdownDialog.h"

#include "lesson/Countdown.h"

#include <QInputDialog>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

QString prompt()
{
    return u"计时多久？例如 90（秒）、1:30、3分钟、1分30秒，最长 99 分钟。"_s;
}

} // namespace

void askCountdownDuration(QWidget* window, std::function<void(std::chrono::seconds)> take)
{
    // One dialog at a time: a second ask starts afresh.
    delete window->findChild<QInputDialog*>(u"CountdownDialog"_s);
    auto* dialog = new QInputDialog(window);
    dialog->setObjectName(u"CountdownDialog"_s);
    dialog->setWindowTitle(u"计时"_s);
    dialog->setLabelText(prompt());
    // A refused entry stays in the field, with the reason above it, to be corrected.
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                     [dialog, take = std::move(take)](const QString& typed) {
                         const Result<std::chrono::seconds> duration =
                             parseCountdownDuration(typed);
                         if (!duration) {
                             dialog->setLabelText(duration.error().message + u"\n\n"_s + prompt());
                             dialog->open();
                             return;
                         }
                         take(duration.value());
                         dialog->deleteLater();
                     });
    QObject::connect(dialog, &QInputDialog::rejected, dialog, &QObject::deleteLater);
    dialog->open();
}

} // namespace mirello
