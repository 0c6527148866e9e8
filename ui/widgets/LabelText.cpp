#include "LabelText.h"

#include <QLabel>

namespace mirello {

void setSizedText(QLabel& label, const QString& text)
{
    label.setText(text);
    label.resize(label.fontMetrics().horizontalAdvance(text), label.fontMetrics().height());
}

} // namespace mirello
