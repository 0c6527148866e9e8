#pragma once

#include "lesson/ClassGroups.h"

#include <QWidget>

namespace mirello {

// The groups of a grouping as cards, large enough to be read from the back row:
// each card the group's number over its students' names.
class GroupCards final : public QWidget
{
    Q_OBJECT

public:
    explicit GroupCards(QWidget* parent = nullptr);

    void showGroups(const NamedGroups& groups);
};

} // namespace mirello
