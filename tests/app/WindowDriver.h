// Drives the main window headless through its real widgets.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "support/TestSupport.h"

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

// A started program with a scripted requester.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        app.StartUp();
        script = Script(toolkit);
    }

    void Click(const char* text)
    {
        QPushButton* button = Button(text);
        ASSERT_NE(button, nullptr) << text;
        QTest::mouseClick(button, Qt::LeftButton);
        app.ProcessPendingEvents();
    }
    // A file dropped on the window, as the desktop drops it.
    void Drop(const std::string& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(TopWindow(), &enter);
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(TopWindow(), &drop);
        app.ProcessPendingEvents();
    }
    std::string LapLabel() { return toolkit.GetControlText(LapNumberLabel); }
    AppState& State() { return app.State(); }
    std::string NewestLog() { return State().Log.Newest(); }

    Toolkit toolkit;
    Application app{toolkit};
    std::shared_ptr<ScriptedRequester::Shared> script;
};

}  // namespace vx::test
