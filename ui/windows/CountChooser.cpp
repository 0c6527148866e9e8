#include "CountChooser.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A fingertip and more: the board is tapped from arm's length.
constexpr int ButtonSize = 56;
constexpr int PerRow = 5;

} // namespace

void askSeveralCount(QWidget* window, int current, int most, std::function<void(int)> take)
{
    // One at a time: a second ask starts afresh.
    delete window->findChild<QDialog*>(u"SeveralCountDialog"_s);
    auto* dialog = new QDialog(window);
    dialog->setObjectName(u"SeveralCountDialog"_s);
    dialog->setWindowTitle(u"一次抽取多人"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(u"每次暂停抽到几位同学（1 为一次一人）："_s, dialog));
    auto* counts = new QGridLayout;
    for (int count = 1; count <= most; ++count) {
        auto* button = new QPushButton(QString::number(count), dialog);
        button->setMinimumSize(ButtonSize, ButtonSize);
        button->setCheckable(true);
        button->setChecked(count == current);
        QObject::connect(button, &QPushButton::clicked, dialog, [dialog, take, count] {
            take(count);
            dialog->close();
        });
        counts->addWidget(button, (count - 1) / PerRow, (count - 1) % PerRow);
    }
    layout->addLayout(counts);
    auto* cancel = new QPushButton(u"取消"_s, dialog);
    cancel->setMinimumHeight(ButtonSize * 3 / 4);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::close);
    layout->addWidget(cancel);
    dialog->open();
}

} // namespace mirello
