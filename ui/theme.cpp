#include "ui/theme.h"

#include <QApplication>
#include <QEvent>
#include <QFocusFrame>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quorvex::widgets {

namespace {

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Reruns its function on every palette or style change of the widget it watches.
class PaletteFollower final : public QObject {
public:
    PaletteFollower(QWidget* widget, std::function<void()> apply)
        : QObject(widget), apply_(std::move(apply)) {
        widget->installEventFilter(this);
    }
    void run() {
        if (running_) return; // the palette it sets comes back as a change
        running_ = true;
        apply_();
        running_ = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::PaletteChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::StyleChange:
        case QEvent::ParentChange:
            run();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> apply_;
    bool running_ = false;
};

const char* const kWantedProperty[] = {"quorvexWantedWindowText", "quorvexWantedText"};

const char* wantedProperty(QPalette::ColorRole role) {
    return kWantedProperty[role == QPalette::Text ? 1 : 0];
}

} // namespace

double relativeLuminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background) {
    if (contrastRatio(wanted, background) >= kMinimumContrast) return wanted;
    // Walk the lightness of the same hue away from the background's.
    const bool darkBackground = relativeLuminance(background) < 0.18;
    const QColor hsl = wanted.toHsl();
    const int hue = hsl.hslHue();
    const int saturation = hsl.hslSaturation();
    for (int step = 1; step <= 51; ++step) {
        const int lightness =
            std::clamp(hsl.lightness() + (darkBackground ? 5 : -5) * step, 0, 255);
        const QColor candidate = QColor::fromHsl(hue, saturation, lightness).toRgb();
        if (contrastRatio(candidate, background) >= kMinimumContrast) return candidate;
    }
    return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

bool isLightPalette(const QPalette& palette) {
    return relativeLuminance(palette.color(QPalette::Window)) >
           relativeLuminance(palette.color(QPalette::WindowText));
}

QColor backgroundBehind(const QWidget* widget, QPalette::ColorRole textRole,
                        QPalette::ColorGroup group) {
    if (textRole == QPalette::Text) return widget->palette().color(group, QPalette::Base);
    if (textRole == QPalette::ButtonText) return widget->palette().color(group, QPalette::Button);
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow() || w->parentWidget() == nullptr)
            return w->palette().color(group, w->backgroundRole());
    }
    return widget->palette().color(group, QPalette::Window);
}

QPalette readableWhenInactive(QPalette palette) {
    // clang-format off
    constexpr std::pair<QPalette::ColorRole, QPalette::ColorRole> kTexts[] = {
        {QPalette::WindowText,      QPalette::Window},
        {QPalette::Text,            QPalette::Base},
        {QPalette::ButtonText,      QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText,     QPalette::ToolTipBase},
    };
    // clang-format on
    for (const auto& [text, background] : kTexts) {
        const QColor behind = palette.color(QPalette::Inactive, background);
        if (contrastRatio(palette.color(QPalette::Inactive, text), behind) >= kMinimumContrast)
            continue;
        palette.setColor(QPalette::Inactive, text,
                         readableOn(palette.color(QPalette::Active, text), behind));
    }
    return palette;
}

void followPalette(QWidget* widget, std::function<void()> apply) {
    auto* follower = new PaletteFollower(widget, std::move(apply));
    follower->run();
}

void setTextColour(QWidget* widget, const QColor& wanted, QPalette::ColorRole role) {
    const char* property = wantedProperty(role);
    const bool following = widget->property(property).isValid();
    widget->setProperty(property, wanted.isValid() ? wanted : QColor(Qt::transparent));
    const auto apply = [widget, role, property] {
        const QColor want = widget->property(property).value<QColor>();
        // In front and behind another window: the background may differ.
        QPalette palette = widget->palette();
        bool same = true;
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            QColor colour;
            if (want.alpha() == 0) {
                // The palette's own: what the parent has for the role.
                const QWidget* parent = widget->parentWidget();
                colour = (parent != nullptr ? parent->palette() : QPalette()).color(group, role);
            } else {
                colour = readableOn(want, backgroundBehind(widget, role, group));
            }
            same = same && palette.color(group, role) == colour;
            palette.setColor(group, role, colour);
        }
        if (!same) widget->setPalette(palette);
    };
    if (following) {
        apply();
        return;
    }
    followPalette(widget, apply);
}

Bevel bevelOf(const QPalette& palette) {
    if (isLightPalette(palette))
        return {QColor(255, 255, 255), QColor(223, 223, 223), QColor(127, 127, 127),
                QColor(0, 0, 0)};
    return {palette.color(QPalette::Light), palette.color(QPalette::Midlight),
            palette.color(QPalette::Dark), palette.color(QPalette::Shadow)};
}

void showFocusOnDefaultButton(QWidget* window) {
    auto* frame = new QFocusFrame(window);
    QObject::connect(
        qApp, &QApplication::focusChanged, frame, [frame, window](QWidget*, QWidget* now) {
            auto* button = qobject_cast<QPushButton*>(now);
            // A focused auto-default button is the default one.
            const bool ours = button != nullptr && (button->isDefault() || button->autoDefault()) &&
                              button->window() == window;
            frame->setWidget(ours ? button : nullptr);
        });
}

void drawArrow(QPainter& painter, const QRectF& target, const QColor& colour) {
    QPainterPath path;
    path.moveTo(target.topLeft());
    path.lineTo(target.topRight());
    path.lineTo(target.center().x(), target.bottom());
    path.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, colour);
    painter.restore();
}

} // namespace quorvex::widgets
