// Runs the event loop until a condition holds: for tests and benchmarks of widgets whose
// work finishes on the event loop (the preview's player, the windows).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace zendra::test {

// False when timeoutMs passed first. Polls finely so a benchmark's times stay exact.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

}  // namespace zendra::test
