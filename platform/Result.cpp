#include "Result.h"

namespace mirello {

QString Error::text() const
{
    if (reason.isEmpty())
        return message;
    return message + u"\n\n系统原因：" + reason;
}

} // namespace mirello
