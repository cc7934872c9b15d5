#include "pages/telephony/filter_page_widget.h"

#include "core/config_app.h"
#include "pages/telephony/port_header_widget.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

namespace quorvex::widgets {

namespace {

using namespace quorvex::telephony;

constexpr int kRowLabelLeft = 10;
constexpr int kRowLabelWidth = 18;
constexpr int kLeft = 32;
constexpr int kColumnWidth = 96;
constexpr int kEditWidth = 92;
constexpr int kHeaderTop = 4;
constexpr int kEditTop = 78;
constexpr int kRowStep = 22;
constexpr int kEditHeight = 20;
constexpr int kActiveTop = kEditTop + kFilterSlots * kRowStep + 4;
constexpr int kHintTop = kActiveTop + 26;
constexpr int kPageHeight = 430;
constexpr int kMaxTyped = 64;

constexpr int kTextActivated = 6056;
constexpr int kTextHint = 6054;
constexpr int kTextFilter = 6008; // "Call Filter", the page's tab

} // namespace

FilterPageWidget::FilterPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                                   QWidget* parent)
    : PageWidget(app, host, 4, SendButton::Yes, parent),
      logic_(app, *this, host, model == 30 ? 3 : 5) {
    setPageHeight(kPageHeight);
    build();
    ready_ = true;
    relabel(language());
    refresh();
}

FilterPageWidget::~FilterPageWidget() = default;

void FilterPageWidget::build() {
    QWidget* area = content();
    header_ = std::make_unique<PortHeaderRow>(configApp(), area, language());
    for (int k = 0; k < kFilterSlots; ++k) {
        auto* row = makeLabel(area);
        row->setText(QString::number(k));
        row->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->setGeometry(kRowLabelLeft, kEditTop + k * kRowStep, kRowLabelWidth, kEditHeight);
    }
    // Existing columns side by side: on an R30 the data column follows port 22.
    // Reading order: a column's ten entries, then its "Activated" box.
    std::vector<QWidget*> order;
    int position = 0;
    for (int c = 0; c < kFilterColumns; ++c) {
        header_->setColumnVisible(c, logic_.columnExists(c));
        if (!logic_.columnExists(c)) continue;
        const int x = kLeft + kColumnWidth * position++;
        header_->place(c, x, kEditWidth, kHeaderTop);
        for (int k = 0; k < kFilterSlots; ++k) {
            const int id = kFilterEntryControl + 10 * c + k;
            auto* edit = new QLineEdit(area);
            edit->setObjectName(QString::number(id));
            edit->setGeometry(x, kEditTop + k * kRowStep, kEditWidth, kEditHeight);
            edit->setMaxLength(kMaxTyped);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                if (filling()) return;
                logic_.textChanged(id, text.toStdString());
            });
            edits_.push_back(edit);
            order.push_back(edit);
        }
        auto* box = new QCheckBox(area);
        box->setObjectName(QString::number(kFilterActiveControl + c));
        box->setGeometry(x, kActiveTop, kEditWidth, 18);
        connect(box, &QCheckBox::clicked, this, [this, c] {
            if (filling()) return;
            logic_.toggleActive(kFilterActiveControl + c);
        });
        boxes_.push_back(box);
        order.push_back(box);
    }
    setReadingOrder(order);
    hint_ = makeLabel(area);
    hint_->setGeometry(kLeft, kHintTop, PageWidget::kPageWidth - 2 * kLeft, 16);
}

void FilterPageWidget::refreshControls() {
    if (!ready_) return;
    for (QLineEdit* edit : edits_) {
        const QString text = QString::fromStdString(logic_.text(edit->objectName().toInt()));
        if (edit->text() != text) edit->setText(text);
    }
    for (QCheckBox* box : boxes_)
        box->setChecked(logic_.active(box->objectName().toInt() - kFilterActiveControl));
    for (int c = 0; c < kFilterColumns; ++c) {
        if (logic_.columnExists(c)) header_->setName(c, QString::fromStdString(logic_.portName(c)));
    }
    header_->reloadSymbols();
}

void FilterPageWidget::relabel(int language) {
    if (!ready_) return;
    header_->relabel(language);
    for (QCheckBox* box : boxes_)
        box->setText(labelText(kTextActivated, language));
    hint_->setText(labelText(kTextHint, language));
    // Names for assistive technology: entry k of a column, the column's switch.
    const QString filter = nameText(kTextFilter, language);
    for (QLineEdit* edit : edits_) {
        const int offset = edit->objectName().toInt() - kFilterEntryControl;
        edit->setAccessibleName(
            nameIn(filter + QLatin1Char(' ') + QString::number(offset % kFilterSlots),
                   nameText(PortHeaderRow::labelTextId(offset / kFilterSlots), language)));
    }
    for (QCheckBox* box : boxes_) {
        const int column = box->objectName().toInt() - kFilterActiveControl;
        box->setAccessibleName(nameIn(nameText(kTextActivated, language),
                                      nameText(PortHeaderRow::labelTextId(column), language)));
    }
}

bool FilterPageWidget::enterOrTab(int focusedId) {
    if (focusedId >= kFilterEntryControl && focusedId < kFilterActiveControl) {
        logic_.setCurrentField(focusedId);
        logic_.enterOrTab(); // commits the entry
        return true;
    }
    return PageWidget::enterOrTab(focusedId);
}

bool FilterPageWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        bool ok = false;
        const int id = watched->objectName().toInt(&ok);
        if (ok) logic_.setCurrentField(id);
    }
    return PageWidget::eventFilter(watched, event);
}

void FilterPageWidget::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    refresh(); // names, MSNs and symbols may have changed on the MSN page
}

} // namespace quorvex::widgets
