#pragma once

#include <functional>

class QWidget;

// Runs ACTION when WIDGET is first shown, before its first paint: for work
// only a widget on screen needs, such as decoding its pictures, so that
// start-up pays only for what the first screen shows.
void onFirstShow(QWidget* widget, std::function<void()> action);
