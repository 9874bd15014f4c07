#pragma once
// Running the application's real event loop inside a test, for behaviour that
// only happens there (closing a window, quitting).

#include <QCoreApplication>
#include <QTimer>

#include <functional>

// What a test's own step ends the loop with, and what the guard ends it with.
inline constexpr int kLoopLeftByTest = 7;
inline constexpr int kLoopTimedOut = 99;

// Runs the application's event loop with `step` as its first task and
// returns the loop's exit code; a loop nobody ends gives up after 5 s.
inline int runEventLoop(const std::function<void()>& step)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(kLoopTimedOut); });
    guard.start(5000);
    QTimer::singleShot(0, step);
    return QCoreApplication::exec();
}
