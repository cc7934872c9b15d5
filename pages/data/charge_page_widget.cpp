#include "pages/data/charge_page_widget.h"

#include "core/config_app.h"
#include "core/port_symbols.h"
#include "ui/accessibility.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace quorvex::widgets {
namespace {

namespace ctl = data::charge_control;

constexpr int kFirstHeading = 6020; // "Port 11" ... "Port 32", "Data Port": 6020 + 2 * column
constexpr int kRowCaptions[data::kChargeRows] = {6094, 6096, 6098};
constexpr int kTotalText = 6100;
constexpr int kClearText = 6102;

constexpr int kLeft = 18;
constexpr int kColumnPitch = 98;
constexpr int kColumnWidth = 90;
constexpr int kFirstRowTop = 82;
constexpr int kRowPitch = 54;
constexpr int kCaptionHeight = 18;
constexpr int kCellHeight = 22;
constexpr int kTotalTop = 286;

int columnX(int column) {
    return kLeft + column * kColumnPitch;
}

} // namespace

ChargePageWidget::ChargePageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, /*index*/ 7, SendButton::No, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("refreshTimer"));
    timer_->setInterval(data::kChargeRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { logic_.timerTick(); });
    logic_.timerChanged = [this](bool running) {
        if (running)
            timer_->start();
        else
            timer_->stop();
    };
    build();
    relabel(language());
    refresh();
}

ChargePageWidget::~ChargePageWidget() {
    logic_.timerChanged = nullptr;
    timer_->stop();
}

void ChargePageWidget::build() {
    QWidget* c = content();
    for (int column = 0; column < data::kChargeColumns; ++column) {
        const int x = columnX(column);
        const bool isData = column == data::kChargeDataColumn;
        auto* symbol = new CPortSymbol(column, isData ? CPortSymbol::Data : CPortSymbol::Analog,
                                       /*picker*/ false, language(), c);
        symbol->setObjectName(QStringLiteral("symbol%1").arg(column));
        symbol->move(x + (kColumnWidth - CPortSymbol::kWidth) / 2, 2);
        symbol->setProfileFunctions({}, [this, isData](int index) {
            core::PortSymbol s(index, isData ? core::SymbolKind::Data : core::SymbolKind::Analog);
            s.load(configApp().profiles(), 0);
            return s.picture();
        });
        symbols_[static_cast<std::size_t>(column)] = symbol;

        auto* name = new QLabel(c);
        name->setObjectName(QStringLiteral("name%1").arg(column));
        name->setGeometry(x, 42, kColumnWidth, 16);
        name->setAlignment(Qt::AlignCenter);
        setTextColour(name, kPortNameBlue);
        names_[static_cast<std::size_t>(column)] = name;

        auto* heading = new QLabel(c);
        heading->setObjectName(QStringLiteral("heading%1").arg(column));
        heading->setGeometry(x, 58, kColumnWidth, 16);
        heading->setAlignment(Qt::AlignCenter);
        headings_[static_cast<std::size_t>(column)] = heading;
    }
    for (int row = 0; row < data::kChargeRows; ++row) {
        const int top = kFirstRowTop + row * kRowPitch;
        auto* caption = new QLabel(c);
        caption->setObjectName(QStringLiteral("row%1").arg(row));
        caption->setGeometry(kLeft, top, 500, kCaptionHeight);
        rowCaptions_[static_cast<std::size_t>(row)] = caption;
        for (int column = 0; column < data::kChargeColumns; ++column) {
            auto* cell = new QLabel(c);
            cell->setObjectName(QStringLiteral("cell%1%2").arg(row).arg(column));
            cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cell->setGeometry(columnX(column), top + kCaptionHeight, kColumnWidth, kCellHeight);
            cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = cell;
        }
    }
    const int clearTop = kFirstRowTop + 2 * kRowPitch + kCaptionHeight + kCellHeight + 4;
    for (int column = 0; column < data::kChargeColumns; ++column) {
        auto* clear = new QPushButton(c);
        const int id = ctl::kClearBase + column;
        clear->setObjectName(QString::number(id));
        clear->setAutoDefault(false);
        clear->setGeometry(columnX(column), clearTop, kColumnWidth, 23);
        connect(clear, &QPushButton::clicked, this, [this, id] { logic_.click(id); });
        clears_[static_cast<std::size_t>(column)] = clear;
    }
    totalCaption_ = new QLabel(c);
    totalCaption_->setObjectName(QStringLiteral("totalCaption"));
    totalCaption_->setGeometry(kLeft, kTotalTop + 2, 262, kCaptionHeight);
    total_ = new QLabel(c);
    total_->setObjectName(QStringLiteral("total"));
    total_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    total_->setGeometry(columnX(3) - 16, kTotalTop, 120, kCellHeight);
    clearTotal_ = new QPushButton(c);
    clearTotal_->setObjectName(QString::number(ctl::kClearTotal));
    clearTotal_->setAutoDefault(false);
    clearTotal_->setGeometry(columnX(4) + 12, kTotalTop, kColumnWidth, 23);
    connect(clearTotal_, &QPushButton::clicked, this, [this] { logic_.click(ctl::kClearTotal); });
    std::vector<QWidget*> order(clears_.begin(), clears_.end());
    order.push_back(clearTotal_);
    setReadingOrder(order);
    placeColumns();
}

void ChargePageWidget::relabel(int lang) {
    for (int column = 0; column < data::kChargeColumns; ++column) {
        const auto c = static_cast<std::size_t>(column);
        headings_[c]->setText(labelText(kFirstHeading + 2 * column, lang));
        clears_[c]->setText(tableText(kClearText, lang));
        symbols_[c]->setLanguage(lang);
    }
    for (int row = 0; row < data::kChargeRows; ++row)
        rowCaptions_[static_cast<std::size_t>(row)]->setText(labelText(kRowCaptions[row], lang));
    totalCaption_->setText(labelText(kTotalText, lang));
    clearTotal_->setText(tableText(kClearText, lang));

    // Names for assistive technology: what each "Clear" clears; each figure
    // says which row and port it is.
    const QString clear = nameText(kClearText, lang);
    for (int column = 0; column < data::kChargeColumns; ++column) {
        const QString port = nameText(kFirstHeading + 2 * column, lang);
        clears_[static_cast<std::size_t>(column)]->setAccessibleName(nameIn(clear, port));
        for (int row = 0; row < data::kChargeRows; ++row) {
            cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]
                ->setAccessibleDescription(nameIn(nameText(kRowCaptions[row], lang), port));
        }
    }
    clearTotal_->setAccessibleName(nameIn(clear, nameText(kTotalText, lang)));
    total_->setAccessibleDescription(nameText(kTotalText, lang));
}

void ChargePageWidget::placeColumns() {
    // The three-port model shows the data port right after port 22 (the page
    // is built for one model).
    int slot = 0;
    for (int column = 0; column < data::kChargeColumns; ++column) {
        const auto c = static_cast<std::size_t>(column);
        const bool shown = logic_.columnShown(column);
        if (shown) {
            const int x = columnX(slot++);
            symbols_[c]->move(x + (kColumnWidth - CPortSymbol::kWidth) / 2, symbols_[c]->y());
            for (QWidget* w :
                 {static_cast<QWidget*>(names_[c]), static_cast<QWidget*>(headings_[c]),
                  static_cast<QWidget*>(clears_[c])})
                w->move(x, w->y());
            for (int row = 0; row < data::kChargeRows; ++row)
                cells_[static_cast<std::size_t>(row)][c]->move(
                    x, cells_[static_cast<std::size_t>(row)][c]->y());
        }
        for (QWidget* w : {static_cast<QWidget*>(symbols_[c]), static_cast<QWidget*>(names_[c]),
                           static_cast<QWidget*>(headings_[c]), static_cast<QWidget*>(clears_[c])})
            w->setVisible(shown);
        for (int row = 0; row < data::kChargeRows; ++row)
            cells_[static_cast<std::size_t>(row)][c]->setVisible(shown);
    }
}

void ChargePageWidget::refreshControls() {
    for (int column = 0; column < data::kChargeColumns; ++column) {
        const auto c = static_cast<std::size_t>(column);
        names_[c]->setText(QString::fromStdString(logic_.portName(column)));
        symbols_[c]->reload();
        for (int row = 0; row < data::kChargeRows; ++row) {
            cells_[static_cast<std::size_t>(row)][c]->setText(QString::fromStdString(
                logic_.cellText(static_cast<data::ChargeRowKind>(row), column)));
        }
    }
    total_->setText(QString::fromStdString(logic_.totalText()));
}

} // namespace quorvex::widgets
