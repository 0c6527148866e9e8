#pragma once

#include <QList>
#include <QWidget>

namespace mirello {

class FittedText;

// The students one Pause drew, large, in as many columns as keep each name
// readable from the back row; the picked one is marked. A click or a tap on a
// name picks it.
class NameBoard final : public QWidget
{
    Q_OBJECT

public:
    explicit NameBoard(QWidget* parent = nullptr);

    void showNames(const QStringList& names, int picked);
    int count() const { return int(m_names.size()); }

Q_SIGNALS:
    void picked(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void mark(int picked);

    QList<FittedText*> m_names;
};

} // namespace mirello
