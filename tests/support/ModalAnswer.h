#pragma once

// Answering the modal windows a command opens and waits for, from the event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <typeinfo>

// Calls `answer` with the first modal window of type Box once it is up (polling the
// event loop), so that a test can drive a dialog that a command opens and waits for.
// A box that never comes is a failure, and whatever else is modal then is closed.
template <class Box>
void WhenModal(std::function<void(Box*)> answer, int attempts = 200) {
    QTimer::singleShot(10, [answer, attempts] {
        if (auto* box = dynamic_cast<Box*>(QApplication::activeModalWidget())) {
            answer(box);
        } else if (attempts > 0) {
            WhenModal<Box>(answer, attempts - 1);
        } else {
            ADD_FAILURE() << "no modal " << typeid(Box).name() << " appeared";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
        }
    });
}

// Runs the event loop until `condition` holds or `timeoutMs` have passed; whether it
// holds.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}
