// The controls: labels, push buttons, check boxes, sliders, scroll bars and
// picture boxes at their places in the program's pixels, their texts,
// colours and tooltips.
#include "toolkit/qt/QtWidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>

#include "toolkit/Scaling.h"

namespace vx {

std::uint64_t QtWindowSystem::AddControl(std::uint64_t window, ControlKind kind, int tag, int x, int y,
                                     int width, int height)
{
    QWidget* parent = Widget(window);
    if (parent == nullptr)
        return 0;
    QWidget* control = nullptr;
    switch (kind) {
    case ControlKind::Label: control = new TextLabel(parent); break;
    case ControlKind::Button: {
        auto* button = new QPushButton(parent);
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = button;
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(parent);
        // Clicked comes of the user's click or Space only, never of setChecked.
        QObject::connect(box, &QCheckBox::clicked, box,
                         [this, tag] { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = box;
        break;
    }
    case ControlKind::PictureBox: control = new PictureBox(*this, tag, parent); break;
    case ControlKind::Slider: {
        auto* slider = new StepSlider(Qt::Horizontal, parent);
        // Every position the user gives the slider (drag, click, keys) is one
        // event; the program's own changes run with signals blocked.
        QObject::connect(slider, &QSlider::valueChanged, slider,
                         [this, tag](int) { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = slider;
        break;
    }
    case ControlKind::ScrollBar: {
        auto* bar = new QScrollBar(Qt::Vertical, parent);
        bar->setRange(0, 0);
        bar->setPageStep(1);
        // As the slider: the program's own changes run with signals blocked.
        QObject::connect(bar, &QScrollBar::valueChanged, bar,
                         [this, tag](int) { Post({PlatformEvent::Kind::Control, tag, {}}); });
        control = bar;
        break;
    }
    }
    if (auto* scaled = dynamic_cast<AppWindow*>(parent))
        scaled->Place(*control, QRect(x, y, width, height));
    else
        control->setGeometry(x, y, width, height);
    control->show();
    const std::uint64_t id = next_++;
    widgets_[id] = control;
    return id;
}

void QtWindowSystem::DestroyControl(std::uint64_t control)
{
    delete Widget(control);
    widgets_.erase(control);
}

void QtWindowSystem::SetText(std::uint64_t control, const std::string& text)
{
    QWidget* widget = Widget(control);
    if (auto* label = dynamic_cast<TextLabel*>(widget))
        label->SetWholeText(FromUtf8(text));
    else if (auto* button = dynamic_cast<QAbstractButton*>(widget))
        button->setText(FromUtf8(text));
}

void QtWindowSystem::SetEndEllipsis(std::uint64_t control, bool on)
{
    if (auto* label = dynamic_cast<TextLabel*>(Widget(control)))
        label->SetEndEllipsis(on);
}

void QtWindowSystem::SetWordWrap(std::uint64_t control, bool on)
{
    if (auto* label = dynamic_cast<TextLabel*>(Widget(control)))
        label->SetWrap(on);
}

void QtWindowSystem::SetTextColour(std::uint64_t control, Colour colour)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColorOf(colour));
    palette.setColor(QPalette::ButtonText, QColorOf(colour));
    widget->setPalette(palette);
}

namespace {

// The text's lines, each wider than 80 average characters of the tips' font
// broken between words (a word wider than that stands alone). Qt itself
// breaks a plain tip only where it would pass the screen's edge, and a rich
// one into a narrow block.
QString TipLines(const QString& text)
{
    const QFont font = QToolTip::font();
    const qreal width = QFontMetrics(font).averageCharWidth() * 80;
    QStringList lines;
    for (const QString& paragraph : text.split('\n')) {
        QTextLayout layout(paragraph, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines << QString();
    }
    return lines.join('\n');
}

// The tip shown now moved, where it passes an edge, into the work area of
// the screen under the pointer: Qt keeps a tip on the screen's whole area,
// task bars included, and a long tip under the log at the window's bottom
// ran past it.
void KeepTipOnScreen(QPoint pointer)
{
    for (QWidget* tip : QApplication::topLevelWidgets()) {
        if (!tip->isVisible() || !tip->inherits("QTipLabel"))
            continue;
        const QScreen* screen = QGuiApplication::screenAt(pointer);
        if (screen == nullptr)
            screen = tip->screen();
        if (screen == nullptr)
            continue;
        const QRect area = screen->availableGeometry();
        const ScreenArea kept = KeptInside({tip->x(), tip->y(), tip->width(), tip->height()},
                                           {area.x(), area.y(), area.width(), area.height()});
        if (kept.x != tip->x() || kept.y != tip->y())
            tip->move(kept.x, kept.y);
    }
}

// Shows the tips of the controls it watches itself, so that each is kept on
// the screen as it shows.
class TipPlacer final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::ToolTip || widget == nullptr)
            return false;
        const QPoint at = static_cast<QHelpEvent*>(event)->globalPos();
        if (widget->toolTip().isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(at, widget->toolTip(), widget);
            KeepTipOnScreen(at);
        }
        return true;
    }
};

// The one placer, the application's own (made again for an application
// started again).
TipPlacer& Placer()
{
    static QPointer<TipPlacer> placer;
    if (placer.isNull())
        placer = new TipPlacer(QCoreApplication::instance());
    return *placer;
}

}  // namespace

void QtWindowSystem::SetToolTip(std::uint64_t control, const std::string& text)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return;
    // Rich text of lines as laid out here, which Qt shows as they are (a text
    // starting with "<" stays text).
    const QString tip = text.empty() ? QString()
                                     : "<p style='white-space:pre'>" +
                                           TipLines(FromUtf8(text)).toHtmlEscaped() + "</p>";
    // The tip shown for this control takes the new text where it stands.
    const bool shown = QToolTip::isVisible() && !widget->toolTip().isEmpty() &&
                       QToolTip::text() == widget->toolTip() &&
                       widget->rect().contains(widget->mapFromGlobal(QCursor::pos()));
    widget->setToolTip(tip);
    widget->installEventFilter(&Placer());  // once: installing again moves it to the front
    // Shown whichever window is active, as the other system's tips are: the
    // main window's chart names its lap while the comparison has the focus.
    widget->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    if (shown) {
        QToolTip::showText(QCursor::pos(), tip, widget);
        KeepTipOnScreen(QCursor::pos());
    }
}

void QtWindowSystem::SetEnabled(std::uint64_t control, bool enabled)
{
    if (QWidget* widget = Widget(control))
        widget->setEnabled(enabled);
}

bool QtWindowSystem::IsEnabled(std::uint64_t control)
{
    QWidget* widget = Widget(control);
    return widget != nullptr && widget->isEnabled();
}

void QtWindowSystem::SetFocusable(std::uint64_t control)
{
    if (QWidget* widget = Widget(control))
        widget->setFocusPolicy(Qt::StrongFocus);
}

void QtWindowSystem::SetTabOrder(std::span<const std::uint64_t> controls)
{
    QWidget* previous = nullptr;
    for (const std::uint64_t id : controls) {
        QWidget* widget = Widget(id);
        if (widget == nullptr)
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void QtWindowSystem::SetSliderRange(std::uint64_t control, int minimum, int maximum)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    const QSignalBlocker quiet(slider);
    slider->setRange(minimum, maximum);
    // A native slider pages by a fifth of its range; a scroll bar by its page.
    if (dynamic_cast<QSlider*>(slider) != nullptr)
        slider->setPageStep(std::max(1, (maximum - minimum) / 5));
}

void QtWindowSystem::SetScrollPage(std::uint64_t control, int page)
{
    auto* bar = dynamic_cast<QScrollBar*>(Widget(control));
    if (bar == nullptr)
        return;
    const QSignalBlocker quiet(bar);
    bar->setPageStep(std::max(page, 1));
}

void QtWindowSystem::SetSliderTicks(std::uint64_t control, bool on)
{
    auto* slider = dynamic_cast<QSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    slider->setTickPosition(on ? QSlider::TicksBelow : QSlider::NoTicks);
    slider->setTickInterval(1);
}

bool QtWindowSystem::IsChecked(std::uint64_t control)
{
    auto* box = dynamic_cast<QCheckBox*>(Widget(control));
    return box != nullptr && box->isChecked();
}

void QtWindowSystem::SetChecked(std::uint64_t control, bool checked)
{
    if (auto* box = dynamic_cast<QCheckBox*>(Widget(control)))
        box->setChecked(checked);  // raises no clicked
}

int QtWindowSystem::SliderValue(std::uint64_t control)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    return slider == nullptr ? 0 : slider->value();
}

void QtWindowSystem::SetSliderValue(std::uint64_t control, int value)
{
    auto* slider = dynamic_cast<QAbstractSlider*>(Widget(control));
    if (slider == nullptr)
        return;
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

void QtWindowSystem::ShowPicture(std::uint64_t control, const Image* picture)
{
    if (auto* box = dynamic_cast<PictureBox*>(Widget(control)))
        box->Show(picture);
}

Image QtWindowSystem::ShownPicture(std::uint64_t control)
{
    auto* box = dynamic_cast<PictureBox*>(Widget(control));
    if (box == nullptr || box->Picture().isNull())
        return Image(0, 0);
    return ImageOf(box->Picture());
}

void QtWindowSystem::TrackPointer(std::uint64_t control, bool on)
{
    if (auto* box = dynamic_cast<PictureBox*>(Widget(control)))
        box->Track(on);
}

std::pair<int, int> QtWindowSystem::ControlSize(std::uint64_t control)
{
    QWidget* widget = Widget(control);
    if (widget == nullptr)
        return {0, 0};
    const QRect place = ProgramPlace(*widget);
    return {place.width(), place.height()};
}

}  // namespace vx
