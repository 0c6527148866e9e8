#pragma once

#include "roll/RollFolder.h"

#include <memory>
#include <QObject>

class QWidget;

namespace mirello {

class ErrorReporter;
class RecordingWorker;
class Settings;

// The features of the menu that work on whole classes: import a class, export
// classes, backups and restore, new term. Each asks in a dialog over `window` and
// leaves the work to exchange/ and keeping/; restores and new terms go through
// `recorder`'s queue, in order with the recordings. Failures go to `reporter`.
class ClassFeatures final : public QObject
{
    Q_OBJECT

public:
    ClassFeatures(QWidget* window, const RollFolder& folder, RecordingWorker& recorder,
                  ErrorReporter& reporter, Settings& settings);
    ~ClassFeatures() override;

    // Each for the class `loadedClass` (the file name, empty for none).
    void importClass();
    void exportClasses(const QString& loadedClass);
    void showBackups(const QString& loadedClass);
    void startNewTerm(const QString& loadedClass);

Q_SIGNALS:
    void classAdded(const QString& classFileName);
    void notice(const QString& text);

private:
    QWidget* m_window;
    RollFolder m_folder;
    RecordingWorker& m_recorder;
    ErrorReporter& m_reporter;
    Settings& m_settings;
};

} // namespace mirello
