#include "ui/qt_ui.h"

#include "core/config_app.h"
#include "resources/text_table.h"
#include "ui/theme.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QWidget>

#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

// The pictures live in a static library; pull their resource object in explicitly.
static void initPictureResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(quorvex);
        return true;
    }();
    (void)done;
}

namespace quorvex::widgets {

void postWhenIdle(QObject* context, const core::CConfigApp& app, std::function<void()> work) {
    QTimer::singleShot(0, context, [context, &app, work = std::move(work)]() mutable {
        if (app.heartbeatSuspended()) {
            QTimer::singleShot(kIdleRetryMs, context, [context, &app, work = std::move(work)] {
                postWhenIdle(context, app, work);
            });
            return;
        }
        work();
    });
}

void systemBeep() {
#ifdef _WIN32
    // The system's default beep: the sound the user set as "Default Beep".
    MessageBeep(MB_OK);
#else
    QApplication::beep();
#endif
}

BeepFn beepFor(bool soundOn) {
    return soundOn ? BeepFn(systemBeep) : BeepFn();
}

void applyDialogColours(QWidget* widget) {
    widget->setAutoFillBackground(true);
    followPalette(widget, [widget] {
        // The desktop's palette as the window would have it without ours.
        const QWidget* parent = widget->isWindow() ? nullptr : widget->parentWidget();
        const QPalette desktop = parent != nullptr ? parent->palette() : QApplication::palette();
        if (!isLightPalette(desktop)) {
            // The desktop's own colours, readable behind another window too.
            const QPalette readable = readableWhenInactive(desktop);
            if (readable == desktop) {
                if (widget->palette().resolveMask() != 0) widget->setPalette(QPalette());
            } else if (widget->palette() != readable || widget->palette().resolveMask() == 0) {
                widget->setPalette(readable);
            }
            return;
        }
        QPalette palette = readableWhenInactive(desktop);
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Window, kDialogBackground);
            palette.setColor(group, QPalette::WindowText, kDialogText);
            palette.setColor(group, QPalette::Button, kDialogBackground);
            palette.setColor(group, QPalette::ButtonText, kDialogText);
        }
        if (palette != widget->palette() || widget->palette().resolveMask() == 0)
            widget->setPalette(palette);
    });
}

bool largeFonts() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->logicalDotsPerInch() >= 120.0;
}

QFont pixelFont(int pixels, bool bold, bool underline) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont buttonFont(bool large) {
    return large ? pixelFont(12) : pixelFont(11, true);
}

QFont dialogFont(bool large) {
    return pixelFont(large ? 13 : 11);
}

QString tableText(int id, int language) {
    const std::string_view text = quorvex::text::get(id, language);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString labelText(std::string_view text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return result;
}

QString labelText(int id, int language) {
    return labelText(quorvex::text::get(id, language));
}

namespace {

// One renderer per picture, made on first use and kept for the run.
QSvgRenderer* renderer(const QString& name) {
    initPictureResources();
    static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
    auto found = cache.find(name);
    if (found == cache.end()) {
        const QString path = QStringLiteral(":/pictures/") + name;
        std::shared_ptr<QSvgRenderer> made;
        if (QFile::exists(path)) {
            made = std::make_shared<QSvgRenderer>(path);
            if (!made->isValid()) made.reset();
        }
        found = cache.insert(name, made);
    }
    return found.value().get();
}

} // namespace

bool pictureExists(const QString& name) {
    return renderer(name) != nullptr;
}

QSize pictureSize(const QString& name) {
    QSvgRenderer* svg = renderer(name);
    return svg != nullptr ? svg->defaultSize() : QSize();
}

void drawPicture(QPainter& painter, const QRectF& target, const QString& name) {
    if (QSvgRenderer* svg = renderer(name)) svg->render(&painter, target);
}

QPixmap picturePixmap(const QString& name, QSize size) {
    QSvgRenderer* svg = renderer(name);
    if (svg == nullptr) return {};
    if (!size.isValid()) size = svg->defaultSize();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg->render(&painter, QRectF(QPointF(0, 0), size));
    return pixmap;
}

void prepareMessageBox(QMessageBox& box) {
    applyDialogColours(&box); // as every window of the program: readable behind another too
    box.setTextFormat(Qt::PlainText);
    showFocusOnDefaultButton(&box);
}

void showMessage(QWidget* parent, const QString& text, const BeepFn& beep, const QString& caption) {
    if (beep) beep();
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    prepareMessageBox(box);
    box.exec();
}

bool askYesNo(QWidget* parent, const QString& text, const BeepFn& beep, const QString& caption) {
    if (beep) beep();
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    prepareMessageBox(box);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void showMessage(QWidget* parent, int textId, int language, const BeepFn& beep) {
    showMessage(parent, labelText(textId, language), beep);
}

bool askYesNo(QWidget* parent, int textId, int language, const BeepFn& beep) {
    return askYesNo(parent, labelText(textId, language), beep);
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

BusyCursorDepth::~BusyCursorDepth() {
    while (depth_ > 0)
        set(false);
}

void BusyCursorDepth::set(bool on) {
    if (on) {
        ++depth_;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (depth_ > 0) {
        --depth_;
        QGuiApplication::restoreOverrideCursor();
    }
}

} // namespace quorvex::widgets
