// The application object: an error that escapes a command ends up here, is shown
// to the user, and the main window is put back into a usable state.
#pragma once

#include <QApplication>

#include <functional>

namespace zendra {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
    // Runs after an escaped error, before its message is shown.
    void SetErrorCleanup(std::function<void()> cleanup) { FCleanup = std::move(cleanup); }
    void HandleException(const QString& message);

private:
    std::function<void()> FCleanup;
};

}  // namespace zendra
