#include "maintenance/log_page_widget.h"

#include "core/config_app.h"
#include "ui/qt_ui_widget.h"

#include <QButtonGroup>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

namespace quorvex::widgets {

using namespace quorvex::maintenance;

namespace {

constexpr int kPortText = 6020;    // "Port 11" ... "Data Port", + 2 k
constexpr int kHeadingText = 6112; // "Outgoing calls", + 2 L
constexpr int kDateHead = 6276;    // "Date  Time"
constexpr int kNumberHead = 6278;  // "Phone number"
constexpr int kChargeHead = 6280;  // "charges"
constexpr int kHintText = 6122;    // dial back by a click
constexpr int kClearText = 6102;   // "Clear"
const QColor kNameBlue{0, 0, 255};

// The grid (pixels inside the content area).
constexpr int kPortX = 8;
constexpr int kPortPitch = 99;
constexpr int kPortWidth = 97;
constexpr int kLastPortWidth = 112; // "Datenanschluß"
constexpr int kPortY = 6;
constexpr int kPortLabelY = 26;
constexpr int kHeadingY = 50;
constexpr int kColumnHeadY = 68;
constexpr int kFirstRowY = 84;
constexpr int kRowPitch = 17;
constexpr int kRowHeight = 16;
constexpr int kClearY = kFirstRowY + kLogMaxEntries * kRowPitch + 6;
constexpr int kHintY = kClearY + 32;
constexpr int kDateWidth = 83;
constexpr int kNumberWidth = 81;
constexpr int kStatusWidth = 18;
constexpr int kChargeWidth = 46;
constexpr int kListGap = 5;
constexpr int kListWidth = kDateWidth + kNumberWidth + kStatusWidth;

// Left edge of list L.
constexpr int listX(int l) {
    return kPortX + l * (kListWidth + kListGap) + (l > 0 ? kChargeWidth : 0);
}

// A grid cell; the number cells call back on a left click.
class Cell final : public QLabel {
public:
    Cell(int id, QWidget* parent) : QLabel(parent) {
        setObjectName(QString::number(id));
        setTextFormat(Qt::PlainText);
    }
    std::function<void()> clicked;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && clicked) {
            clicked();
            event->accept();
            return;
        }
        QLabel::mousePressEvent(event);
    }
};

QLabel* plainLabel(QWidget* parent, const QRect& at, const QFont& font) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(at);
    l->setFont(font);
    return l;
}

} // namespace

CLogPage::CLogPage(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, kPageIndex, SendButton::No, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    buildPorts();
    buildGrid();
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("logTimer"));
    timer_->setInterval(kLogTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &CLogPage::tick);
    relabel(language());
    refresh();
}

CLogPage::~CLogPage() = default;

void CLogPage::buildPorts() {
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    const bool large = configApp().largeFonts;
    for (int k = 0; k < kLogPortCount; ++k) {
        auto* radio = new QRadioButton(content());
        radio->setObjectName(QString::number(kLogFirstPortButton + k));
        radio->setGeometry(kPortX + k * kPortPitch, kPortY,
                           k == kLogPortCount - 1 ? kLastPortWidth : kPortWidth, 18);
        radio->setFont(dialogFont(large));
        group->addButton(radio, k);
        const int id = kLogFirstPortButton + k;
        connect(radio, &QRadioButton::clicked, this, [this, id] {
            if (!filling()) logic_.portButton(id);
        });
        ports_[static_cast<std::size_t>(k)] = radio;

        QLabel* label = plainLabel(
            content(), QRect(kPortX + k * kPortPitch + 18, kPortLabelY, kPortWidth - 18, 16),
            pixelFont(11, true));
        label->setObjectName(QString::number(kLogFirstPortLabel + k));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, kNameBlue);
        label->setPalette(pal);
        portLabels_[static_cast<std::size_t>(k)] = label;
    }
}

void CLogPage::buildGrid() {
    const QFont cellFont = pixelFont(10);
    const QFont headFont = pixelFont(11, true);
    const QFont columnFont = pixelFont(10, false, true);
    for (int l = 0; l < kLogListCount; ++l) {
        const int x = listX(l);
        const int width = kListWidth + (l == 0 ? kChargeWidth : 0);
        QLabel* heading = plainLabel(content(), QRect(x, kHeadingY, width, 16), headFont);
        heading->setObjectName(QStringLiteral("heading%1").arg(l));
        headings_[static_cast<std::size_t>(l)] = heading;
        QLabel* date = plainLabel(content(), QRect(x, kColumnHeadY, kDateWidth, 14), columnFont);
        QLabel* number = plainLabel(
            content(), QRect(x + kDateWidth, kColumnHeadY, kNumberWidth, 14), columnFont);
        columnHeads_[static_cast<std::size_t>(2 * l)] = date;
        columnHeads_[static_cast<std::size_t>(2 * l + 1)] = number;

        for (int r = 0; r < kLogMaxEntries; ++r) {
            const int y = kFirstRowY + r * kRowPitch;
            const int rowIds[] = {kLogDateCell + 10 * l + r, kLogNumberCell + 10 * l + r,
                                  kLogStatusCell + 10 * l + r};
            const int widths[] = {kDateWidth, kNumberWidth, kStatusWidth};
            int cx = x;
            for (int c = 0; c < 3; ++c) {
                auto* cell = new Cell(rowIds[c], content());
                cell->setGeometry(cx, y, widths[c] - 2, kRowHeight);
                cell->setFont(cellFont);
                cells_[static_cast<std::size_t>(rowIds[c] - kLogDateCell)] = cell;
                cx += widths[c];
            }
            auto* numberCell =
                static_cast<Cell*>(cells_[static_cast<std::size_t>(rowIds[1] - kLogDateCell)]);
            const int id = rowIds[1];
            numberCell->clicked = [this, id] { numberClicked(id); };
            numberCell->setCursor(Qt::PointingHandCursor);
        }

        auto* clear = new QPushButton(content());
        clear->setObjectName(QString::number(kLogFirstClearButton + l));
        clear->setGeometry(x, kClearY, 70, 22);
        clear->setAutoDefault(false);
        clears_[static_cast<std::size_t>(l)] = clear;
    }
    // The outgoing list's charges column.
    const int chargeX = listX(0) + kListWidth;
    columnHeads_.back() =
        plainLabel(content(), QRect(chargeX, kColumnHeadY, kChargeWidth, 14), columnFont);
    for (int r = 0; r < kLogMaxEntries; ++r) {
        auto* cell = new Cell(kLogChargeCell + r, content());
        cell->setGeometry(chargeX, kFirstRowY + r * kRowPitch, kChargeWidth, kRowHeight);
        cell->setFont(cellFont);
        cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cells_[static_cast<std::size_t>(kLogChargeCell + r - kLogDateCell)] = cell;
    }

    auto* clearAll = new QPushButton(content());
    clearAll->setObjectName(QString::number(kLogClearAllButton));
    clearAll->setGeometry(listX(2) + kListWidth - 96, kClearY, 96, 22);
    clearAll->setAutoDefault(false);
    clears_.back() = clearAll;
    for (int i = 0; i <= kLogListCount; ++i) {
        const int id = kLogFirstClearButton + i;
        connect(clears_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, id] { logic_.clearButton(id); });
    }

    hint_ = plainLabel(content(), QRect(kPortX, kHintY, kPageWidth - 2 * kPortX, 16),
                       dialogFont(configApp().largeFonts));
    hint_->setObjectName(QStringLiteral("hint"));
}

void CLogPage::relabel(int language) {
    for (int k = 0; k < kLogPortCount; ++k)
        ports_[static_cast<std::size_t>(k)]->setText(tableText(kPortText + 2 * k, language));
    for (int l = 0; l < kLogListCount; ++l) {
        headings_[static_cast<std::size_t>(l)]->setText(labelText(kHeadingText + 2 * l, language));
        columnHeads_[static_cast<std::size_t>(2 * l)]->setText(labelText(kDateHead, language));
        columnHeads_[static_cast<std::size_t>(2 * l + 1)]->setText(
            labelText(kNumberHead, language));
    }
    for (QPushButton* clear : clears_)
        clear->setText(tableText(kClearText, language));
    columnHeads_.back()->setText(labelText(kChargeHead, language));
    hint_->setText(labelText(kHintText, language));
}

void CLogPage::refreshControls() {
    const QFont plain = pixelFont(10);
    const QFont noId = pixelFont(10, true);
    for (int k = 0; k < kLogPortCount; ++k) {
        const bool visible = logic_.portButtonVisible(k);
        QRadioButton* radio = ports_[static_cast<std::size_t>(k)];
        radio->setVisible(visible);
        radio->setChecked(k == logic_.selectedPort());
        QLabel* label = portLabels_[static_cast<std::size_t>(k)];
        label->setVisible(visible);
        label->setText(QString::fromStdString(logic_.portLabel(k)));
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        QLabel* cell = cells_[i];
        const int id = kLogDateCell + static_cast<int>(i);
        cell->setText(QString::fromStdString(logic_.cellText(id)));
        const bool blue = logic_.cellIsNoId(id);
        QPalette pal = cell->palette();
        pal.setColor(QPalette::WindowText, blue ? kNameBlue : kDialogText);
        cell->setPalette(pal);
        if (id >= kLogNumberCell && id < kLogStatusCell) cell->setFont(blue ? noId : plain);
    }
}

void CLogPage::tick() {
    logic_.timerTick();
}

void CLogPage::numberClicked(int controlId) {
    const int offset = controlId - kLogNumberCell;
    if (offset < 0 || offset >= kLogListCount * kLogMaxEntries) return;
    const int list = offset / 10;
    const int entry = offset % 10;
    if (entry >= logic_.list(logic_.selectedPort(), list).count) return; // rows not read
    postWhenIdle(this, configApp(),
                 [this, value = list * 10 + entry] { logic_.dialBackMessage(value); });
}

void CLogPage::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    timer_->start();
}

void CLogPage::hideEvent(QHideEvent* event) {
    timer_->stop();
    PageWidget::hideEvent(event);
}

} // namespace quorvex::widgets
