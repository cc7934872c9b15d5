#include "pages/telephony/short_dial_page_widget.h"

#include "core/config_app.h"
#include "pages/telephony/port_header_widget.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

namespace quorvex::widgets {

namespace {

using namespace quorvex::telephony;

constexpr int kRowLabelLeft = 10;
constexpr int kRowLabelWidth = 18;
constexpr int kLeft = 34;
constexpr int kColumnWidth = 114;
constexpr int kEditWidth = 108;
constexpr int kHeaderTop = 4;
constexpr int kEditTop = 78;
constexpr int kRowStep = 22;
constexpr int kEditHeight = 20;
constexpr int kRingTop = kEditTop + kShortDialSlots * kRowStep + 4;
constexpr int kHintTop = kRingTop + 26;
constexpr int kPageHeight = 430;
constexpr int kMaxTyped = 64; // room for "max 15 digits" to be said, never unbounded

constexpr int kTextSpecialRing = 6058;
constexpr int kTextHint = 6044;
constexpr int kTextShortDial = 6004; // "Short Dial", the page's tab

} // namespace

bool isMoveWithinWindow(const QEvent* event) {
    if (event->type() != QEvent::FocusOut) return false;
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

ShortDialPageWidget::ShortDialPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                                         QWidget* parent)
    : PageWidget(app, host, 2, SendButton::Yes, parent), logic_(app, *this, host, model) {
    setPageHeight(kPageHeight);
    build();
    ready_ = true;
    relabel(language());
    refresh();
}

ShortDialPageWidget::~ShortDialPageWidget() = default;

void ShortDialPageWidget::build() {
    QWidget* area = content();
    const int ports = logic_.portCount();
    header_ = std::make_unique<PortHeaderRow>(configApp(), area, language());
    for (int c = 0; c < PortHeaderRow::kColumns; ++c)
        header_->setColumnVisible(c, c < ports);
    for (int k = 0; k < kShortDialSlots; ++k) {
        auto* row = makeLabel(area);
        row->setText(QString::number(k));
        row->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->setGeometry(kRowLabelLeft, kEditTop + k * kRowStep, kRowLabelWidth, kEditHeight);
        rowLabels_.push_back(row);
    }
    // Edits port by port (the logic's Enter/Tab order), then the boxes.
    for (int p = 0; p < ports; ++p) {
        const int x = kLeft + kColumnWidth * p;
        header_->place(p, x, kEditWidth, kHeaderTop);
        for (int k = 0; k < kShortDialSlots; ++k) {
            const int id = kShortDialEditFirst + 10 * p + k;
            auto* edit = new QLineEdit(area);
            edit->setObjectName(QString::number(id));
            edit->setGeometry(x, kEditTop + k * kRowStep, kEditWidth, kEditHeight);
            edit->setMaxLength(kMaxTyped);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                if (filling()) return;
                logic_.setText(id, text.toStdString());
                logic_.fieldChanged(id);
            });
            edits_.push_back(edit);
        }
    }
    std::vector<QWidget*> order;
    for (int p = 0; p < ports; ++p) {
        const int id = kSpecialRingCheckFirst + p;
        auto* box = new QCheckBox(area);
        box->setObjectName(QString::number(id));
        box->setGeometry(kLeft + kColumnWidth * p, kRingTop, kEditWidth, 18);
        connect(box, &QCheckBox::clicked, this, [this, id](bool on) {
            if (filling()) return;
            logic_.setChecked(id, on);
        });
        rings_.push_back(box);
        // Reading order: a port's ten entries, then its special ring box.
        for (int k = 0; k < kShortDialSlots; ++k)
            order.push_back(edits_[static_cast<std::size_t>(p * kShortDialSlots + k)]);
        order.push_back(box);
    }
    setReadingOrder(order);
    hint_ = makeLabel(area);
    hint_->setGeometry(kLeft, kHintTop, PageWidget::kPageWidth - 2 * kLeft, 16);
}

void ShortDialPageWidget::refreshControls() {
    if (!ready_) return;
    for (QLineEdit* edit : edits_) {
        const QString text = QString::fromStdString(logic_.text(edit->objectName().toInt()));
        if (edit->text() != text) edit->setText(text);
    }
    for (QCheckBox* box : rings_)
        box->setChecked(logic_.checked(box->objectName().toInt()));
    for (int p = 0; p < logic_.portCount(); ++p) {
        const std::string& name = configApp().cache.analog[static_cast<std::size_t>(p)].name;
        header_->setName(p, QString::fromStdString(name.empty() ? core::defaultPortName(p) : name));
    }
    header_->reloadSymbols();
}

void ShortDialPageWidget::relabel(int language) {
    if (!ready_) return;
    header_->relabel(language);
    for (QCheckBox* box : rings_)
        box->setText(labelText(kTextSpecialRing, language));
    hint_->setText(labelText(kTextHint, language));
    // Names for assistive technology: entry k of a port, the port's special ring.
    const QString shortDial = nameText(kTextShortDial, language);
    for (int p = 0; p < logic_.portCount(); ++p) {
        const QString port = nameText(PortHeaderRow::labelTextId(p), language);
        for (int k = 0; k < kShortDialSlots; ++k) {
            edits_[static_cast<std::size_t>(p * kShortDialSlots + k)]->setAccessibleName(
                nameIn(shortDial + QLatin1Char(' ') + QString::number(k), port));
        }
        rings_[static_cast<std::size_t>(p)]->setAccessibleName(
            nameIn(nameText(kTextSpecialRing, language), port));
    }
}

bool ShortDialPageWidget::enterOrTab(int focusedId) {
    if (!logic_.hasControl(focusedId)) return PageWidget::enterOrTab(focusedId);
    logic_.enterOrTab(focusedId); // commits; an entry it undid keeps the focus
    return true;
}

void ShortDialPageWidget::sendClicked() {
    logic_.buttonPressed(kShortDialSendButton); // every item, changed or not
}

bool ShortDialPageWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !filling() && isMoveWithinWindow(event)) {
        bool ok = false;
        const int id = watched->objectName().toInt(&ok);
        if (ok && logic_.hasControl(id)) logic_.fieldLeft(id);
    }
    return PageWidget::eventFilter(watched, event);
}

void ShortDialPageWidget::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    refresh(); // names, MSNs and symbols may have changed on the MSN page
}

} // namespace quorvex::widgets
