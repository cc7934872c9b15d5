#include "ui/port_symbol_widget.h"

#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

#include <algorithm>

namespace quorvex::widgets {

namespace {

struct PictureSet {
    const char* prefix; // "analog" -> analog_en_00.svg; flags are flag_en / flag_de
    int count;
    int firstCommand;
    int firstText; // what picture 0 means; picture p at firstText + 2 p
};

constexpr PictureSet kAnalogSet{"analog", 15, 300, kNameAnalogPicture};
constexpr PictureSet kDataSet{"data", 6, 315, kNameDataPicture};
constexpr PictureSet kFlagSet{"flag", 2, 344, kNameLanguage};

constexpr int kPortLabel = 6020;     // "Port 11" ... "Port 32": + 2 index
constexpr int kDataPortLabel = 6030; // "Data Port"
constexpr int kLanguageLabel = 6144; // "Language :"

const PictureSet& setOf(int kind) {
    switch (kind) {
    case CPortSymbol::Data:
    case CPortSymbol::DataMarker:
        return kDataSet;
    case CPortSymbol::Language:
        return kFlagSet;
    default:
        return kAnalogSet;
    }
}

int normalisedKind(int kind) {
    return (kind >= CPortSymbol::Analog && kind <= CPortSymbol::DataMarker) ? kind
                                                                            : CPortSymbol::Analog;
}

const char* languageTag(int language) {
    return language == 1 ? "de" : "en";
}

// The face stays light in every theme: the pictures are drawn for it.
const QColor kFace{220, 220, 220};
const QColor kWhite{255, 255, 255};
const QColor kLight{223, 223, 223};
const QColor kDark{127, 127, 127};
const QColor kBlack{0, 0, 0};

const QPoint kPickerPicture{7, 1};
const QPoint kShownPicture{17, 1};
const QPoint kMarkerAt{42, 19};

// The pictures in the pop-up menu are shown in their own size, not as small icons.
class PictureMenuStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_SmallIconSize) return 48;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

CPortSymbol::CPortSymbol(int index, int kind, bool picker, int language, QWidget* parent)
    : QWidget(parent), index_(index), kind_(normalisedKind(kind)), picker_(picker),
      language_(language == 1 ? 1 : 0) {
    installAccessibleInterfaces();
    if (kind_ == Language) {
        const QSize flag = pictureSize(pictureName(0));
        setFixedSize(flag.width() + 30, flag.height() + 5);
    } else {
        setFixedSize(kWidth, kHeight);
    }
    setEnabled(picker_);
    setFocusPolicy(picker_ ? Qt::StrongFocus : Qt::NoFocus);
    menuStyle_ = new PictureMenuStyle;
    menu_ = new QMenu(this);
    menu_->setStyle(menuStyle_);
    rebuildMenu();
    updateName();
}

CPortSymbol::~CPortSymbol() {
    delete menu_; // uses the style: goes first
    delete menuStyle_;
}

int CPortSymbol::pictureCount() const {
    return setOf(kind_).count;
}

int CPortSymbol::firstCommand() const {
    return setOf(kind_).firstCommand;
}

void CPortSymbol::setPicture(int picture) {
    picture_ = (picture >= 0 && picture < pictureCount()) ? picture : 0;
    for (QAction* action : menu_->actions())
        action->setChecked(action->data().toInt() == firstCommand() + picture_);
    updateName();
    update();
}

int CPortSymbol::pictureTextId(int picture) const {
    const PictureSet& set = setOf(kind_);
    if (picture < 0 || picture >= set.count) picture = 0;
    return set.firstText + 2 * picture;
}

QString CPortSymbol::pictureText() const {
    return tableText(pictureTextId(picture_), language_);
}

void CPortSymbol::updateName() {
    QString name;
    if (kind_ == Language) {
        name = nameText(kLanguageLabel, language_) + QStringLiteral(": ") + pictureText();
    } else {
        const int port = index_ >= 5 ? kDataPortLabel : kPortLabel + 2 * std::max(index_, 0);
        name = namePattern(kNamePortDevice, language_, nameText(port, language_), pictureText());
        if (kind_ == AnalogMarker || kind_ == DataMarker)
            name = nameIn(name, tableText(marker_ ? kNameLineBusy : kNameLineIdle, language_));
    }
    if (name == accessibleName()) return;
    setAccessibleName(name);
    if (picker_) announceValue(this, announced_, pictureText());
    announced_ = pictureText();
}

QString CPortSymbol::pictureName(int picture) const {
    const PictureSet& set = setOf(kind_);
    if (picture < 0 || picture >= set.count) picture = 0;
    if (kind_ == Language)
        return QStringLiteral("flag_%1.svg").arg(QLatin1String(languageTag(picture)));
    return QStringLiteral("%1_%2_%3.svg")
        .arg(QLatin1String(set.prefix), QLatin1String(languageTag(language_)))
        .arg(picture, 2, 10, QLatin1Char('0'));
}

void CPortSymbol::setProfileFunctions(SaveFn save, LoadFn load) {
    save_ = std::move(save);
    load_ = std::move(load);
}

void CPortSymbol::reload() {
    if (load_) setPicture(load_(index_));
}

void CPortSymbol::setLanguage(int language) {
    language_ = language == 1 ? 1 : 0;
    rebuildMenu();
    updateName();
    update();
}

void CPortSymbol::setMarker(bool on) {
    if (marker_ == on) return;
    marker_ = on;
    updateName();
    update();
}

void CPortSymbol::rebuildMenu() {
    menu_->clear();
    const PictureSet& set = setOf(kind_);
    for (int picture = 0; picture < set.count; ++picture) {
        const QString name = pictureName(picture);
        QString caption = tableText(pictureTextId(picture), language_);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&")); // no mnemonics in entries
        QAction* action = menu_->addAction(QIcon(picturePixmap(name)), caption);
        const int command = set.firstCommand + picture;
        action->setObjectName(QString::number(command));
        action->setData(command);
        action->setCheckable(true);
        action->setChecked(picture == picture_);
        connect(action, &QAction::triggered, this, [this, picture] { choose(picture); });
    }
}

void CPortSymbol::choose(int picture) {
    setPicture(picture);
    if (kind_ == Language) {
        emit languageChosen(picture_);
    } else if (save_) {
        // Written at once: the other pages pick it up when they reload their symbols.
        save_(index_, picture_);
    }
    emit pictureChosen(picture_);
}

void CPortSymbol::openMenu(const QPoint& at) {
    // The entry shown is the one the keyboard starts from.
    const QList<QAction*> actions = menu_->actions();
    if (picture_ < actions.size()) menu_->setActiveAction(actions[picture_]);
    menu_->popup(mapToGlobal(at));
}

void CPortSymbol::openMenuBelow() {
    openMenu(QPoint(0, height()));
}

void CPortSymbol::keyPressEvent(QKeyEvent* event) {
    if (!picker_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool altDown = key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier) != 0;
    int picture = -1;
    if (key == Qt::Key_F4 || key == Qt::Key_Space || altDown) {
        event->accept();
        openMenuBelow();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Left) picture = std::max(picture_ - 1, 0);
    if (key == Qt::Key_Down || key == Qt::Key_Right)
        picture = std::min(picture_ + 1, pictureCount() - 1);
    if (key == Qt::Key_Home) picture = 0;
    if (key == Qt::Key_End) picture = pictureCount() - 1;
    if (picture < 0) {
        QWidget::keyPressEvent(event); // Enter and Tab: the page moves on
        return;
    }
    event->accept();
    if (picture != picture_) choose(picture);
}

void CPortSymbol::mousePressEvent(QMouseEvent* event) {
    if (!picker_) return;
    const QPoint at = event->position().toPoint();
    const bool inArrowArea = at.x() >= width() - kArrowArea;
    if ((event->button() == Qt::LeftButton && inArrowArea) || event->button() == Qt::RightButton) {
        openMenu(at);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

QRect CPortSymbol::pictureRect() const {
    const QSize size = pictureSize(pictureName(picture_));
    if (!picker_) return {kShownPicture, size};
    // In front of the arrow area, one pixel clear of its line, keeping the shape.
    const int room = width() - kArrowArea - 1 - kPickerPicture.x();
    if (size.width() <= room || size.width() <= 0) return {kPickerPicture, size};
    const int height = size.height() * room / size.width();
    return {kPickerPicture, QSize(room, height)};
}

void CPortSymbol::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), kFace);
    for (QPoint corner : {QPoint(0, 0), QPoint(w - 2, 0), QPoint(0, h - 2), QPoint(w - 2, h - 2)})
        painter.fillRect(QRect(corner, QSize(2, 2)), backgroundBehind(this, QPalette::WindowText));

    painter.setRenderHint(QPainter::Antialiasing);
    drawPicture(painter, pictureRect(), pictureName(picture_));
    if (kind_ == AnalogMarker || kind_ == DataMarker) {
        const QString marker =
            marker_ ? QStringLiteral("marker_on.svg") : QStringLiteral("marker_off.svg");
        drawPicture(painter, QRectF(kMarkerAt, pictureSize(marker)), marker);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Bevelled border: outer and inner highlight on top and left, shadow on right and bottom.
    painter.setPen(kWhite);
    painter.drawLine(2, 0, w - 3, 0);
    painter.drawLine(0, 2, 0, h - 3);
    painter.setPen(kLight);
    painter.drawLine(1, 1, w - 2, 1);
    painter.drawLine(1, 1, 1, h - 2);
    painter.setPen(kBlack);
    painter.drawLine(2, h - 1, w - 3, h - 1);
    painter.drawLine(w - 1, 2, w - 1, h - 3);
    painter.setPen(kDark);
    painter.drawLine(1, h - 2, w - 2, h - 2);
    painter.drawLine(w - 2, 1, w - 2, h - 2);

    if (picker_) {
        const int line = w - kArrowArea;
        painter.setPen(kDark);
        painter.drawLine(line, 3, line, h - 4);
        painter.setPen(kWhite);
        painter.drawLine(line + 1, 3, line + 1, h - 4);
        const QString arrow = QStringLiteral("arrow.svg");
        drawPicture(painter, QRectF(QPoint(w - 16, 11), pictureSize(arrow)), arrow);
    }
    if (hasFocus()) {
        // Inside the bevel, round the picture: dark on the light face in every theme.
        painter.setPen(QPen(kBlack, 1, Qt::DotLine));
        painter.drawRect(QRect(3, 3, (picker_ ? w - kArrowArea : w) - 6, h - 7));
    }
}

} // namespace quorvex::widgets
