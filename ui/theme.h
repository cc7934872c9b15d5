#pragma once
// Colours that stay readable in every theme. With a light palette the windows
// keep their light grey (RGB 240) with black text; with a dark or a
// high-contrast palette they take the palette as it is. Colours a page wants
// for a text (the blue port names, the red first MSNs) are used where they
// stand out against what they are drawn on, and otherwise made lighter or
// darker in the same hue until they do. Everything follows a palette change
// while the program runs.

#include <QColor>
#include <QPalette>

#include <functional>

class QPainter;
class QRectF;
class QWidget;

namespace quorvex::widgets {

// Contrast of two colours as the accessibility guidelines define it: (L1 + 0.05) /
// (L2 + 0.05) of their relative luminances, 1 to 21.
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& a, const QColor& b);
// What every text must keep against its background.
inline constexpr double kMinimumContrast = 4.5;

// The blue the port names are written in, where it is readable.
inline const QColor kPortNameBlue{0, 0, 255};

// wanted, where it keeps kMinimumContrast on background; else the same hue
// made lighter (on a dark background) or darker until it does.
QColor readableOn(const QColor& wanted, const QColor& background);

// A palette with dark text on a light window.
bool isLightPalette(const QPalette& palette);

// The colour a widget's role stands on: its own background role where it fills
// it (an edit's base), else the background of the nearest ancestor that does;
// in the window in front (Active) or behind another (Inactive).
QColor backgroundBehind(const QWidget* widget, QPalette::ColorRole textRole,
                        QPalette::ColorGroup group = QPalette::Active);

// The palette with every text readable in a window behind another too: some
// themes (dark Adwaita) draw it fainter than kMinimumContrast allows; such a
// text takes the colour it has in front, as light or dark as it must be.
QPalette readableWhenInactive(QPalette palette);

// Runs apply now and again whenever the widget's palette or style changes
// (a theme switch), never from inside itself.
void followPalette(QWidget* widget, std::function<void()> apply);

// The widget's text in the wanted colour, as far as it is readable on what it
// stands on (role WindowText for labels, Text for edits).
void setTextColour(QWidget* widget, const QColor& wanted,
                   QPalette::ColorRole role = QPalette::WindowText);

// The four lines of a raised or sunken border: in a light palette the greys
// the windows always had (white, 223, 127, black), else the palette's own.
struct Bevel {
    QColor highlight;
    QColor light;
    QColor dark;
    QColor shadow;
};
Bevel bevelOf(const QPalette& palette);

// Shows the keyboard focus on the default push button of a dialog (a frame
// round it): styles draw the default button the same with and without it.
void showFocusOnDefaultButton(QWidget* window);

// The drop-down arrow (the shape of arrow.svg) in a colour.
void drawArrow(QPainter& painter, const QRectF& target, const QColor& colour);

} // namespace quorvex::widgets
