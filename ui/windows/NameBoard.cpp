#include "NameBoard.h"

#include "ui/widgets/FittedText.h"
#include "ui/widgets/Fonts.h"

#include <QGridLayout>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace mirello {

NameBoard::NameBoard(QWidget* parent)
    : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(12);
}

// One column up to three names, two up to eight, three for more: wide enough for a
// name of eight characters at a size the back row reads.
void NameBoard::showNames(const QStringList& names, int picked)
{
    if (names.size() != m_names.size() ||
        !std::equal(
            names.begin(), names.end(), m_names.begin(),
            [](const QString& name, const FittedText* shown) { return name == shown->text(); })) {
        qDeleteAll(m_names);
        m_names.clear();
        auto* grid = static_cast<QGridLayout*>(layout());
        const int columns = names.size() <= 3 ? 1 : names.size() <= 8 ? 2 : 3;
        const int rows = int((names.size() + columns - 1) / columns);
        for (int at = 0; at < names.size(); ++at) {
            auto* name = new FittedText(chineseFont(TypeStyle::Kai, 12, QFont::Bold), this);
            name->setObjectName(u"PickedName"_s);
            name->setText(names[at]);
            // Down the columns, as a list is read.
            grid->addWidget(name, at % rows, at / rows);
            m_names.append(name);
        }
    }
    mark(picked);
}

void NameBoard::mark(int picked)
{
    // The others take the window's colours, light or dark, as they change.
    QPalette marked;
    marked.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    marked.setColor(QPalette::WindowText, palette().color(QPalette::HighlightedText));
    for (int at = 0; at < m_names.size(); ++at) {
        m_names[at]->setAutoFillBackground(at == picked);
        m_names[at]->setPalette(at == picked ? marked : QPalette());
        m_names[at]->setAccessibleName(at == picked ? m_names[at]->text() + u"（当前）"_s
                                                    : m_names[at]->text());
    }
}

void NameBoard::mousePressEvent(QMouseEvent* event)
{
    const int at = int(m_names.indexOf(qobject_cast<FittedText*>(childAt(pointerAt(event)))));
    if (at < 0 || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mark(at);
    Q_EMIT picked(at);
}

} // namespace mirello
