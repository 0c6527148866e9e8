#include "SearchAnimation.h"

using namespace Qt::StringLiterals;

namespace mirello {

int SearchAnimation::advance()
{
    m_counter = m_counter % FrameCount + 1;
    return m_counter;
}

void SearchAnimation::frameShown()
{
    if (m_counter == FrameCount)
        m_counter = 0;
}

QString SearchAnimation::frameFile(int frame)
{
    return u"search"_s + QString::number(frame) + u".bmp"_s;
}

} // namespace mirello
