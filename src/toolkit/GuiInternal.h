// Qt pieces shared by the toolkit's own files; never included outside
// src/toolkit.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <map>
#include <string>

#include "toolkit/Toolkit.h"

namespace vx {

// An independent copy of the image's pixels.
QImage ToQImage(const Image& image);

// Writes a PNG through a temporary file that replaces the target only when
// complete. Returns 1, or 0 with the reason in error.
int SaveQImagePng(const QImage& image, const std::string& path, std::string& error);

struct Toolkit::Gui {
    explicit Gui(Toolkit& toolkit) : toolkit(toolkit) {}
    ~Gui();

    enum class Kind { Label, Button, PictureBox, Slider };
    struct Control {
        Kind kind;
        QPointer<QWidget> widget;
        std::string text;  // the bytes last set, returned as they were
    };
    struct Window {
        WindowHandle handle = 0;
        QPointer<QWidget> widget;
    };

    QWidget* ControlWidget(int number, Kind kind) const;
    void RemoveControl(int number);

    Toolkit& toolkit;
    std::map<int, Window> windows;
    std::map<int, Control> controls;
    QPointer<QWidget> parentForControls;
    std::deque<Event> queue;
};

}  // namespace vx
