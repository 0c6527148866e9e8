#pragma once

#include "IconFolder.h"
#include "ImageButtonStates.h"
#include "platform/RandomSource.h"
#include "roll/NameList.h"
#include "roll/RollFolder.h"
#include "SearchAnimation.h"

#include <optional>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;

namespace mirello {

class Clock;
class ErrorReporter;
class FrmAbout;
class PictureButton;
class PanelStatusBar;

// The main window of the roll call. On the first start it makes the roll folder from
// the sample classes in the program folder. It lists the classes of the roll folder, loads
// the chosen class, draws names while drawing runs, records the grade for the name
// on screen, switches the image buttons' faces and plays the search animation. No
// failure closes it: each is reported through `reporter` and the window goes on.
class FrmMain final : public QWidget
{
    Q_OBJECT

public:
    // `programFolder` holds Icons/ and the sample classes; `rollFolder` the classes.
    FrmMain(const QString& programFolder, const QString& rollFolder, const Clock& clock,
            ErrorReporter& reporter, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setUpWindow();
    void createChoosers();
    void createLabels();
    void createPictures();
    void createStatusBar();
    void createTimers();
    void arrangeTabOrder();
    void connectEvents();

    void startUp();
    void fillClassChooser();
    void selectClass(int index);
    void loadSelectedClass();
    QString chosenClassFile() const;

    void showNextDraw();
    void showNextSearchFrame();
    void recordGradeOnScreen();
    void handleButtonEvent(ButtonEvent event);
    void applyFaceChange(const FaceChange& change);
    void setDrawing(bool on);
    void showAbout();
    void report(const Error& error);

    ErrorReporter& m_reporter;
    RollFolder m_rollFolder;
    QString m_samplesFolder;
    ClockSeededRandom m_random;
    IconFolder m_icons;
    ImageButtonStates m_buttonStates;
    SearchAnimation m_searchAnimation;
    std::optional<NameList> m_nameList;
    QPixmap m_background;
    QPointer<FrmAbout> m_about;

    QComboBox* m_comboFileChange = nullptr;
    QComboBox* m_comboResult = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblAnsCount = nullptr;
    QLabel* m_lblTip0 = nullptr;
    QLabel* m_lblTip1 = nullptr;
    PictureButton* m_picSP = nullptr;
    PictureButton* m_picOK = nullptr;
    QLabel* m_picSearch = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QTimer* m_timerName = nullptr;
    QTimer* m_timerSearch = nullptr;
};

} // namespace mirello
