#include "GroupCards.h"

#include "ui/widgets/FittedText.h"
#include "ui/widgets/Fonts.h"

#include <cmath>
#include <QFrame>
#include <QGridLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

FittedText* cardLine(const QString& text, TypeStyle style, QWidget* card)
{
    auto* line = new FittedText(chineseFont(style, 12, QFont::Bold), card);
    line->setText(text);
    card->layout()->addWidget(line);
    return line;
}

QFrame* card(qsizetype group, const QList<GroupMember>& members, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(u"GroupCard"_s);
    frame->setFrameShape(QFrame::Box);
    auto* lines = new QVBoxLayout(frame);
    lines->setContentsMargins(8, 4, 8, 4);
    lines->setSpacing(0);
    cardLine(u"第 "_s + QString::number(group + 1) + u" 组"_s, TypeStyle::Hei, frame)
        ->setObjectName(u"GroupTitle"_s);
    for (const GroupMember& member : members)
        cardLine(member.name, TypeStyle::Kai, frame)->setObjectName(u"GroupMember"_s);
    return frame;
}

} // namespace

GroupCards::GroupCards(QWidget* parent)
    : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(12);
}

// Columns as near as can be to a square of cards, a little wider than tall as a
// projected picture is.
void GroupCards::showGroups(const NamedGroups& groups)
{
    auto* grid = static_cast<QGridLayout*>(layout());
    while (QLayoutItem* item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const int columns = std::max(1, int(std::ceil(std::sqrt(double(groups.size()) * 1.5))));
    for (qsizetype group = 0; group < groups.size(); ++group)
        grid->addWidget(card(group, groups[group], this), int(group / columns),
                        int(group % columns));
}

} // namespace mirello
