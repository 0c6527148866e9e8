#pragma once

#include <QString>

class QLabel;

namespace mirello {

// Sets the text of a label that sizes itself: the label keeps its left and top edges
// and grows or shrinks to the right to fit `text` on one line; its height is one
// line of its font.
void setSizedText(QLabel& label, const QString& text);

} // namespace mirello
