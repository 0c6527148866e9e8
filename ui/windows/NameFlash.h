#pragma once

#include <QTimer>
#include <QWidget>

namespace mirello {

class FittedText;

// The drawn name, large and above everything on the screen (full-screen slides
// included), for the class to read when none of Mirello's windows is in sight: a draw
// started by a key from any program, a phone or the command line. It shows no grades,
// follows the flickering names, and goes a few seconds after the draw stops or at a tap.
// It never takes the focus, so the clicker goes on turning slides.
class NameFlash final : public QWidget
{
    Q_OBJECT

public:
    explicit NameFlash(QScreen* screen);

    void showName(const QString& name, bool drawing);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    FittedText* m_name;
    QTimer m_hide;
};

} // namespace mirello
