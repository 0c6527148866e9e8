#pragma once

#include <QPixmap>
#include <QWidget>

namespace mirello {

// The About window: the maker's logo and credit, and a button that closes it. A small tool window
// without an entry in the task bar and without an owner; it deletes itself when closed. Closing the
// main window leaves it open, and the program runs until it is closed too. Its tooltip tells where
// the classes are kept, without changing what it shows.
class FrmAbout final : public QWidget
{
    Q_OBJECT

public:
    // Without a parent it has no owner, as above. Its tooltip names `rollFolder`.
    explicit FrmAbout(const QString& rollFolder, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createCredit();
    void createCloseButton();

    QPixmap m_logo;
};

} // namespace mirello
