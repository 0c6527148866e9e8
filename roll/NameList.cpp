#include "NameList.h"

namespace mirello {

NameList NameList::fromText(QString text)
{
    NameList list;
    list.m_text = std::move(text);
    if (list.m_text.isEmpty()) {
        list.m_lineStarts = {0};
        return list;
    }
    const QStringView view(list.m_text);
    list.m_lineStarts.reserve(std::size_t(view.count(u'\n')) + 2);
    list.m_lineStarts.push_back(0);
    for (qsizetype lf = view.indexOf(u'\n'); lf >= 0; lf = view.indexOf(u'\n', lf + 1))
        list.m_lineStarts.push_back(quint32(lf + 1));
    list.m_lineStarts.push_back(quint32(view.size() + 1));
    return list;
}

qsizetype NameList::drawnLineCount() const
{
    return m_text.endsWith(u'\n') ? size() - 1 : size();
}

QStringView NameList::at(qsizetype index) const
{
    const qsizetype start = m_lineStarts[index];
    qsizetype end = m_lineStarts[index + 1] - 1;
    if (end > start && m_text.at(end - 1) == u'\r' && end < m_text.size())
        --end;
    return QStringView(m_text).mid(start, end - start);
}

void NameList::overwrite(qsizetype index, QStringView line)
{
    Q_ASSERT(line.size() == at(index).size());
    std::copy(line.begin(), line.end(), m_text.begin() + m_lineStarts[index]);
}

} // namespace mirello
