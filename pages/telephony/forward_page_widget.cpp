#include "pages/telephony/forward_page_widget.h"

#include "core/config_app.h"
#include "pages/telephony/port_header_widget.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace quorvex::widgets {

namespace {

using namespace quorvex::telephony;

constexpr int kLeft = 10;
constexpr int kColumnWidth = 120;
constexpr int kColumnInner = 116;
constexpr int kHeaderTop = 4;
constexpr int kMsnTop = 74;
constexpr int kRowTop = 92;      // label of the first type
constexpr int kRowStep = 44;     // from one type to the next
constexpr int kFieldOffset = 16; // field below its label
constexpr int kButtonWidth = 22;
constexpr int kFieldHeight = 20;
constexpr int kStatusTop = 228;
constexpr int kStatusHeight = 36;
constexpr int kReportTop = 266;
constexpr int kReminderTop = 284;
constexpr int kPageHeight = 390;
constexpr int kMaxTyped = 64;

// Between two looks at the clock while the error status is up.
constexpr int kStatusPollMinMs = 50;
constexpr int kStatusPollMaxMs = 250;

constexpr std::array<int, kForwardTypeCount> kRowTexts = {6046, 6048, 6050};

const QColor kRed{255, 0, 0};
const QColor kStatusGrey{212, 212, 212};

// The status line stands out from the page: light grey in a light palette, the
// palette's alternate base otherwise, with a text readable on it.
void paintStatus(QLabel* status) {
    followPalette(status, [status] {
        const QWidget* parent = status->parentWidget();
        const QPalette page = parent != nullptr ? parent->palette() : QPalette();
        const QColor back =
            isLightPalette(page) ? kStatusGrey : page.color(QPalette::AlternateBase);
        const QColor text = readableOn(page.color(QPalette::WindowText), back);
        QPalette pal = status->palette();
        if (pal.color(QPalette::Window) == back && pal.color(QPalette::WindowText) == text) return;
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            pal.setColor(group, QPalette::Window, back);
            pal.setColor(group, QPalette::WindowText, text);
        }
        status->setPalette(pal);
    });
}

} // namespace

ForwardPageWidget::ForwardPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                                     QWidget* parent)
    : PageWidget(app, host, 3, SendButton::No, parent), logic_(app, *this, host, model) {
    setPageHeight(kPageHeight);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("statusTimer"));
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { statusTimerFired(); });
    build();
    ready_ = true;
    relabel(language());
    refresh();
}

ForwardPageWidget::~ForwardPageWidget() = default;

void ForwardPageWidget::build() {
    QWidget* area = content();
    const int ports = logic_.portCount();
    header_ = std::make_unique<PortHeaderRow>(configApp(), area, language());
    for (int c = 0; c < PortHeaderRow::kColumns; ++c)
        header_->setColumnVisible(c, c < ports);
    for (int p = 0; p < ports; ++p) {
        const int x = kLeft + kColumnWidth * p;
        header_->place(p, x, kColumnInner, kHeaderTop);
        auto* msn = new QLabel(area);
        msn->setObjectName(QString::number(kFirstMsnLabel + p));
        msn->setTextFormat(Qt::PlainText);
        msn->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        msn->setGeometry(x, kMsnTop, kColumnInner, 14);
        setTextColour(msn, kRed);
        firstMsns_.push_back(msn);
    }
    // Fields row by row; the reading order goes column by column (below).
    std::vector<std::vector<QWidget*>> columns(static_cast<std::size_t>(ports));
    for (const ForwardTypeSpec& spec : kForwardTypes) {
        const int t = static_cast<int>(spec.type);
        for (int p = 0; p < ports; ++p) {
            const int x = kLeft + kColumnWidth * p;
            const int top = kRowTop + kRowStep * t;
            auto* label = makeLabel(area);
            label->setWordWrap(false);
            label->setGeometry(x, top, kColumnInner, 14);
            label->setProperty("textId", kRowTexts[static_cast<std::size_t>(t)]);
            rowLabels_.push_back(label);

            const int id = spec.firstField + p;
            auto* button = new QPushButton(area);
            button->setObjectName(QString::number(id + kForwardButtonOffset));
            button->setAutoDefault(false);
            button->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
            button->setGeometry(x, top + kFieldOffset, kButtonWidth, kFieldHeight);
            connect(button, &QPushButton::clicked, this,
                    [this, id] { logic_.buttonPressed(id + kForwardButtonOffset); });

            auto* field = new QLineEdit(area);
            field->setObjectName(QString::number(id));
            field->setMaxLength(kMaxTyped);
            field->setGeometry(x + kButtonWidth + 2, top + kFieldOffset,
                               kColumnInner - kButtonWidth - 2, kFieldHeight);
            connect(field, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                if (filling()) return;
                logic_.setText(id, text.toStdString());
                logic_.fieldChanged(id);
            });
            fields_.push_back(field);
            buttons_.push_back(button);
            // The button stands left of its field.
            columns[static_cast<std::size_t>(p)].insert(columns[static_cast<std::size_t>(p)].end(),
                                                        {button, field});
        }
    }
    std::vector<QWidget*> order;
    for (const auto& column : columns)
        order.insert(order.end(), column.begin(), column.end());
    setReadingOrder(order);

    status_ = new QLabel(area);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setAutoFillBackground(true);
    status_->setMargin(3);
    paintStatus(status_);
    status_->setGeometry(kLeft, kStatusTop, PageWidget::kPageWidth - 2 * kLeft, kStatusHeight);

    report_ = new QLabel(area);
    report_->setObjectName(QStringLiteral("report"));
    report_->setTextFormat(Qt::PlainText);
    report_->setGeometry(kLeft, kReportTop, PageWidget::kPageWidth - 2 * kLeft, 14);

    reminder_ = makeLabel(area);
    reminder_->setObjectName(QString::number(kTextForwardReminder));
    setTextColour(reminder_, kRed);
    reminder_->setGeometry(kLeft, kReminderTop, PageWidget::kPageWidth - 2 * kLeft, 28);
}

void ForwardPageWidget::refreshControls() {
    if (!ready_) return;
    for (QLineEdit* field : fields_) {
        const QString text = QString::fromStdString(logic_.text(field->objectName().toInt()));
        if (field->text() != text) field->setText(text);
    }
    for (int p = 0; p < logic_.portCount(); ++p) {
        const core::PortState& port = configApp().cache.analog[static_cast<std::size_t>(p)];
        header_->setName(
            p, QString::fromStdString(port.name.empty() ? core::defaultPortName(p) : port.name));
        firstMsns_[static_cast<std::size_t>(p)]->setText(
            port.msn[0].empty() ? QStringLiteral("\"\"") : QString::fromStdString(port.msn[0]));
    }
    // The strings of the idle text end in a run of blanks; a label needs none.
    status_->setText(labelText(logic_.statusTextId(), language()).trimmed());
    report_->setText(QString::fromStdString(logic_.reportMessage()));
    header_->reloadSymbols();
    syncStatusTimer();
}

void ForwardPageWidget::relabel(int language) {
    if (!ready_) return;
    header_->relabel(language);
    for (QLabel* label : rowLabels_)
        label->setText(labelText(label->property("textId").toInt(), language));
    reminder_->setText(labelText(kTextForwardReminder, language));
    status_->setText(labelText(logic_.statusTextId(), language).trimmed());
    // Names for assistive technology: the row's label and the port; the button
    // confirms its field.
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const int id = fields_[i]->objectName().toInt();
        constexpr int kPortsPerRow = kForwardFieldLast - kForwardFieldFirst + 1;
        const int t = (id - kForwardFieldFirst) / (kPortsPerRow / kForwardTypeCount);
        const int p = (id - kForwardFieldFirst) % (kPortsPerRow / kForwardTypeCount);
        const QString field = nameIn(nameText(kRowTexts[static_cast<std::size_t>(t)], language),
                                     nameText(PortHeaderRow::labelTextId(p), language));
        fields_[i]->setAccessibleName(field);
        buttons_[i]->setAccessibleName(namePattern(kNameConfirm, language, field));
        buttons_[i]->setToolTip(buttons_[i]->accessibleName());
    }
}

bool ForwardPageWidget::enterOrTab(int focusedId) {
    if (focusedId >= kForwardFieldFirst && focusedId <= kForwardFieldLast &&
        logic_.hasControl(focusedId)) {
        logic_.enterOrTab(focusedId); // commits the field
        return true;
    }
    return PageWidget::enterOrTab(focusedId);
}

void ForwardPageWidget::syncStatusTimer() {
    if (!logic_.statusTimerRunning()) {
        timer_->stop();
        return;
    }
    if (timer_->isActive()) return;
    const std::int64_t remaining = logic_.statusTimerDue() - configApp().clock().now();
    timer_->start(
        static_cast<int>(std::clamp<std::int64_t>(remaining, kStatusPollMinMs, kStatusPollMaxMs)));
}

void ForwardPageWidget::statusTimerFired() {
    logic_.timerTick(); // idle once due (refreshes, which stops the timer)
    syncStatusTimer();
}

void ForwardPageWidget::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    refresh(); // names, MSNs and symbols may have changed on the MSN page
}

} // namespace quorvex::widgets
