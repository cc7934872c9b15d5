#include "maintenance/log_page_widget.h"

#include "core/config_app.h"
#include "ui/accessibility.h"
#include "ui/click_text_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <vector>

namespace quorvex::widgets {

using namespace quorvex::maintenance;

namespace {

constexpr int kPortText = 6020;      // "Port 11" ... "Data Port", + 2 k
constexpr int kHeadingText = 6112;   // "Outgoing calls", + 2 L
constexpr int kDateHead = 6276;      // "Date  Time"
constexpr int kNumberHead = 6278;    // "Phone number"
constexpr int kChargeHead = 6280;    // "charges"
constexpr int kHintText = 6122;      // dial back by a click
constexpr int kClearText = 6102;     // "Clear"
constexpr int kDiallingText = 10706; // "Dialling %1 from %2 ..."

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

// A grid cell: the number cells of entries that were read dial back (CClickText).
CClickText* makeCell(int id, QWidget* parent) {
    auto* cell = new CClickText(parent);
    cell->setObjectName(QString::number(id));
    return cell;
}

QLabel* plainLabel(QWidget* parent, const QRect& at, const QFont& font) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(at);
    l->setFont(font);
    return l;
}

} // namespace

LogPageWidget::LogPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, kPageIndex, SendButton::No, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    buildPorts();
    buildGrid();
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("logTimer"));
    timer_->setInterval(kLogTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &LogPageWidget::tick);
    relabel(language());
    refresh();
}

LogPageWidget::~LogPageWidget() = default;

void LogPageWidget::buildPorts() {
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
        setTextColour(label, kPortNameBlue);
        portLabels_[static_cast<std::size_t>(k)] = label;
    }
}

void LogPageWidget::buildGrid() {
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
                CClickText* cell = makeCell(rowIds[c], content());
                cell->setGeometry(cx, y, widths[c] - 2, kRowHeight);
                cell->setFont(cellFont);
                cells_[static_cast<std::size_t>(rowIds[c] - kLogDateCell)] = cell;
                cx += widths[c];
            }
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
        CClickText* cell = makeCell(kLogChargeCell + r, content());
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

    // Reading order: the port buttons, then list by list its numbers and its
    // "Clear", then the "Clear" of all lists.
    std::vector<QWidget*> order(ports_.begin(), ports_.end());
    for (int l = 0; l < kLogListCount; ++l) {
        for (int r = 0; r < kLogMaxEntries; ++r)
            order.push_back(
                cells_[static_cast<std::size_t>(kLogNumberCell - kLogDateCell + 10 * l + r)]);
        order.push_back(clears_[static_cast<std::size_t>(l)]);
    }
    order.push_back(clears_.back());
    setReadingOrder(order);
}

void LogPageWidget::relabel(int language) {
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
    // Names for assistive technology: which list a "Clear" clears.
    for (int l = 0; l < kLogListCount; ++l) {
        clears_[static_cast<std::size_t>(l)]->setAccessibleName(
            nameIn(nameText(kClearText, language), nameText(kHeadingText + 2 * l, language)));
    }
}

void LogPageWidget::refreshControls() {
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
        CClickText* cell = cells_[i];
        const int id = kLogDateCell + static_cast<int>(i);
        cell->setText(QString::fromStdString(logic_.cellText(id)));
        const bool blue = logic_.cellIsNoId(id);
        setTextColour(cell, blue ? kPortNameBlue : QColor());
        if (id >= kLogNumberCell && id < kLogStatusCell) {
            cell->setFont(blue ? noId : plain);
            refreshNumberCell(cell, id);
        }
    }
    // The hint line is the page's status line while a dial runs, painted at
    // once: the window waits for the device until the call is placed.
    if (logic_.dialling()) {
        hint_->setText(labelText(kDiallingText, language())
                           .arg(QString::fromStdString(logic_.diallingNumber()),
                                tableText(kPortText + 2 * logic_.diallingPort(), language())));
        hint_->repaint();
    } else {
        hint_->setText(labelText(kHintText, language()));
    }
    // The "Clear" of all lists clears those of the port shown.
    const int port = logic_.selectedPort();
    if (port >= 0 && port < kLogPortCount) {
        clears_.back()->setAccessibleName(
            nameIn(nameText(kClearText, language()),
                   nameText(ports_[static_cast<std::size_t>(port)]->text())));
    }
}

void LogPageWidget::refreshNumberCell(CClickText* cell, int id) {
    // A number of an entry that was read dials back: a control named with the
    // number and its place in its list. "No ID" has nothing to dial.
    const int list = (id - kLogNumberCell) / 10;
    const int entry = (id - kLogNumberCell) % 10;
    if (entry >= logic_.list(logic_.selectedPort(), list).count || logic_.cellIsNoId(id) ||
        cell->text().isEmpty()) {
        cell->setAction({});
        cell->setAccessibleName(QString());
        return;
    }
    cell->setAction([this, id] { numberClicked(id); });
    cell->setAccessibleName(nameIn(cell->text(), nameText(kHeadingText + 2 * list, language()) +
                                                     QLatin1Char(' ') +
                                                     QString::number(entry + 1)));
    cell->setAccessibleDescription(nameText(kHintText, language()));
}

void LogPageWidget::tick() {
    logic_.timerTick();
}

void LogPageWidget::numberClicked(int controlId) {
    const int offset = controlId - kLogNumberCell;
    if (offset < 0 || offset >= kLogListCount * kLogMaxEntries) return;
    const int list = offset / 10;
    const int entry = offset % 10;
    if (entry >= logic_.list(logic_.selectedPort(), list).count) return; // rows not read
    postWhenIdle(this, configApp(), [this, value = list * 10 + entry] {
        logic_.dialBackMessage(value);
        // The hint comes back once the dial's wait has passed.
        QTimer::singleShot(kLogDialWaitMs, this, [this] { refresh(); });
    });
}

void LogPageWidget::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    timer_->start();
}

void LogPageWidget::hideEvent(QHideEvent* event) {
    timer_->stop();
    PageWidget::hideEvent(event);
}

} // namespace quorvex::widgets
