#include "app/monitor_dlg.h"

#include "core/config_app.h"
#include "core/port_symbols.h"
#include "ui/accessibility.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"
#include "ui/theme.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace quorvex::widgets {

using namespace quorvex::app;

namespace {

// The layout: a column of row labels, then one column per visible port.
constexpr int kMargin = 10;
constexpr int kLabelWidth = 104;
constexpr int kColumnWidth = 96;
constexpr int kTitleHeight = 40;
constexpr int kNameY = 58;
constexpr int kSymbolY = 76;
constexpr int kMsnY = 120;
constexpr int kClipY = 138;
constexpr int kForwardY = 156;
constexpr int kCharge1Y = 180;
constexpr int kCharge2Y = 198;
constexpr int kCallsY = 222;
constexpr int kCallPitch = 16;
constexpr int kTotalY = kCallsY + maintenance::kLogMaxEntries * kCallPitch + 10;
constexpr int kRowHeight = 16;
constexpr int kHeight = kTotalY + kRowHeight + kMargin + 4;

// The row labels: English text id, control, row.
struct RowLabel {
    int textId;
    int control;
    int y;
};
constexpr RowLabel kRowLabels[] = {
    {6292, 1589, kMsnY},     // "MSN0"
    {6282, 1590, kClipY},    // "CallerID"
    {6284, 1591, kForwardY}, // "Forward."
    // Selector 1 is the connection in progress, selector 2 the sum since the last clear.
    {6288, 1592, kCharge1Y}, // "current"
    {6286, 1063, kCharge2Y}, // "Charges"
    {6290, 1594, kCallsY},   // "Outgoing Calls"
};

// The separators under the title, the symbols, the forwarding and the charges.
constexpr int kRuleYs[] = {kNameY - 6, kMsnY - 4, kCharge1Y - 5, kCallsY - 5, kTotalY - 5};

} // namespace

CMonitorDlg::CMonitorDlg(core::CConfigApp& app, QWidget* parent)
    : QDialog(parent), app_(app), logic_(app) {
    setObjectName(QStringLiteral("CMonitorDlg"));
    setWindowTitle(caption());
    applyDialogColours(this);
    setModal(true);
    setFont(pixelFont(app_.largeFonts ? 12 : 11));
    const int language = app_.language;

    int visible = 0;
    for (int k = 0; k < kMonitorColumns; ++k)
        visible += logic_.columnVisible(k) ? 1 : 0;
    const int width = kMargin * 2 + kLabelWidth + visible * kColumnWidth;
    setFixedSize(width, kHeight);

    // Decoration: the window's caption says what it shows.
    const QSize titleSize = pictureSize(QStringLiteral("monitor_title.svg"));
    auto* title = new CPicture(QStringLiteral("monitor_title.svg"), titleSize, this);
    title->setObjectName(QString::number(kTitleControl));
    title->setGeometry((width - titleSize.width()) / 2, 8, titleSize.width(), kTitleHeight);

    for (const RowLabel& row : kRowLabels) {
        // Two lines of room: "Abgehende Anrufe" is wider than the column.
        QLabel* label =
            addLabel(row.control, QRect(kMargin, row.y, kLabelWidth - 4, 2 * kRowHeight), true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->setText(labelText(row.textId, language));
    }
    for (int y : kRuleYs) {
        auto* rule = new QFrame(this);
        rule->setFrameShape(QFrame::HLine);
        rule->setFrameShadow(QFrame::Sunken);
        rule->setGeometry(kMargin, y, width - 2 * kMargin, 2);
    }

    int v = 0;
    for (int k = 0; k < kMonitorColumns; ++k) {
        if (!logic_.columnVisible(k)) continue; // R30: no columns for "31" and "32"
        const int x = kMargin + kLabelWidth + v * kColumnWidth;
        const int w = kColumnWidth - 6;
        ++v;
        QLabel* name = addLabel(kMonitorNameLabel + k, QRect(x, kNameY, w, kRowHeight), true);
        setTextColour(name, kPortNameBlue);
        valueLabels_.push_back(name);

        const bool dataPort = k == kMonitorColumns - 1;
        auto* symbol =
            new CPortSymbol(k, dataPort ? CPortSymbol::DataMarker : CPortSymbol::AnalogMarker,
                            false, language, this);
        symbol->setObjectName(QString::number(kFirstSymbolControl + k));
        symbol->setGeometry(x - 8, kSymbolY, CPortSymbol::kWidth, CPortSymbol::kHeight);
        symbols_[static_cast<std::size_t>(k)] = symbol;

        valueLabels_.push_back(addLabel(kMonitorMsnControl + k, QRect(x, kMsnY, w, kRowHeight)));
        valueLabels_.push_back(addLabel(kMonitorClipControl + k, QRect(x, kClipY, w, kRowHeight)));
        if (!dataPort) {
            valueLabels_.push_back(
                addLabel(kMonitorForwardControl + k, QRect(x, kForwardY, w, kRowHeight)));
        }
        addLabel(kFirstCharge1Control + k, QRect(x, kCharge1Y, w, kRowHeight));
        addLabel(kFirstCharge2Control + k, QRect(x, kCharge2Y, w, kRowHeight));
        for (int r = 0; r < maintenance::kLogMaxEntries; ++r) {
            valueLabels_.push_back(addLabel(kMonitorCallControl + 10 * k + r,
                                            QRect(x, kCallsY + r * kCallPitch, w, kRowHeight)));
        }
    }
    total_ = addLabel(
        kTotalControl,
        QRect(width - kMargin - 2 * kColumnWidth, kTotalY, 2 * kColumnWidth, kRowHeight), true);
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QLabel* totalHead = addLabel(0, QRect(kMargin, kTotalY, kLabelWidth, kRowHeight), true);
    totalHead->setObjectName(QStringLiteral("totalHead"));
    totalHead->setText(language == 1 ? QStringLiteral("Gesamt") : QStringLiteral("Total"));

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("monitorTimer"));
    timer_->setInterval(kMonitorTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &CMonitorDlg::tick);

    loadSymbols();
    logic_.open();
    fill();
    growToTexts(this);
}

CMonitorDlg::~CMonitorDlg() = default;

QLabel* CMonitorDlg::addLabel(int id, const QRect& at, bool bold) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::number(id));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(at);
    if (bold) {
        QFont f = font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

void CMonitorDlg::loadSymbols() {
    for (int k = 0; k < kMonitorColumns; ++k) {
        CPortSymbol* symbol = symbols_[static_cast<std::size_t>(k)];
        if (symbol == nullptr) continue;
        // The user's choice of picture per port, from the default profile.
        core::PortSymbol choice(k, k == kMonitorColumns - 1 ? core::SymbolKind::DataMarked
                                                            : core::SymbolKind::AnalogMarked);
        choice.load(app_.profiles(), core::kDefaultProfile);
        symbol->setPicture(choice.picture());
    }
}

void CMonitorDlg::fill() {
    const int language = app_.language;
    for (QLabel* label : valueLabels_)
        label->setText(QString::fromStdString(logic_.text(label->objectName().toInt(), language)));
    for (int k = 0; k < kMonitorColumns; ++k) {
        if (!logic_.columnVisible(k)) continue;
        findChild<QLabel*>(QString::number(kFirstCharge1Control + k))
            ->setText(QString::fromStdString(logic_.chargeText(k, 1)));
        findChild<QLabel*>(QString::number(kFirstCharge2Control + k))
            ->setText(QString::fromStdString(logic_.chargeText(k, 2)));
        if (CPortSymbol* s = symbols_[static_cast<std::size_t>(k)]; s != nullptr)
            s->setMarker(logic_.column(k).lineState != 0);
        // The full entries of the calls as a tool tip: date, time and charge.
        const MonitorColumn& c = logic_.column(k);
        for (int r = 0; r < maintenance::kLogMaxEntries; ++r) {
            auto* row = findChild<QLabel*>(QString::number(kMonitorCallControl + 10 * k + r));
            const auto& e = c.calls[static_cast<std::size_t>(r)];
            row->setToolTip(r < c.callCount
                                ? QString::fromStdString(maintenance::logDateTime(e) + "  " +
                                                         e.unit() + " " + e.amount())
                                : QString());
        }
    }
    total_->setText(QString::fromStdString(logic_.totalText()));
}

void CMonitorDlg::tick() {
    logic_.timerTick();
    fill();
}

void CMonitorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    timer_->start();
}

void CMonitorDlg::hideEvent(QHideEvent* event) {
    timer_->stop();
    QDialog::hideEvent(event);
}

void runMonitorDialog(core::CConfigApp& app, QWidget* parent) {
    CMonitorDlg dlg(app, parent);
    dlg.exec();
}

} // namespace quorvex::widgets
