// The main window's Qt widgets, for the tests of what Qt itself does with
// them (real clicks, keys, focus, palettes, drops).
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "app/windows/MainWindow.h"

namespace vx::test {

inline QWidget* TopWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->windowTitle() == kWindowTitle && widget->isVisible())
            return widget;
    return nullptr;
}

inline QPushButton* Button(const char* text)
{
    QWidget* window = TopWindow();
    if (window == nullptr)
        return nullptr;
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

inline QSlider* Slider()
{
    return TopWindow()->findChild<QSlider*>();
}

}  // namespace vx::test
