#include "pages/telephony/port_header_widget.h"

#include "core/config_app.h"
#include "core/port_symbols.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QLabel>

namespace quorvex::widgets {

namespace {
constexpr int kFirstPortLabel = 6020;
constexpr int kDataPortLabel = 6030;
} // namespace

QLabel* makeNameLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    setTextColour(label, kPortNameBlue);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeLabel(QWidget* parent, bool bold) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

int PortHeaderRow::labelTextId(int column) {
    return column == kDataColumn ? kDataPortLabel : kFirstPortLabel + 2 * column;
}

PortHeaderRow::PortHeaderRow(core::CConfigApp& app, QWidget* parent, int language) : app_(app) {
    for (int c = 0; c < kColumns; ++c) {
        const bool data = c == kDataColumn;
        auto* symbol = new CPortSymbol(c, data ? CPortSymbol::Data : CPortSymbol::Analog,
                                       /*picker*/ false, language, parent);
        symbol->setObjectName(QString::number(1023 + c));
        const auto kind = data ? core::SymbolKind::Data : core::SymbolKind::Analog;
        symbol->setProfileFunctions({}, [this, kind](int index) {
            core::PortSymbol s(index, kind);
            s.load(app_.profiles(), core::kDefaultProfile);
            return s.picture();
        });
        symbols_[idx(c)] = symbol;
        auto* label = makeLabel(parent, true);
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        labels_[idx(c)] = label;
        names_[idx(c)] = makeNameLabel(parent);
        names_[idx(c)]->setObjectName(QStringLiteral("name%1").arg(c));
    }
    relabel(language);
    reloadSymbols();
}

void PortHeaderRow::place(int column, int x, int width, int top) {
    symbols_[idx(column)]->setGeometry(x + (width - CPortSymbol::kWidth) / 2, top,
                                       CPortSymbol::kWidth, CPortSymbol::kHeight);
    labels_[idx(column)]->setGeometry(x, top + kLabelTop, width, 14);
    names_[idx(column)]->setGeometry(x, top + kNameTop, width, 14);
}

void PortHeaderRow::setColumnVisible(int column, bool visible) {
    symbols_[idx(column)]->setVisible(visible);
    labels_[idx(column)]->setVisible(visible);
    names_[idx(column)]->setVisible(visible);
}

void PortHeaderRow::setName(int column, const QString& name) {
    names_[idx(column)]->setText(name);
}

void PortHeaderRow::relabel(int language) {
    for (int c = 0; c < kColumns; ++c) {
        labels_[idx(c)]->setText(labelText(labelTextId(c), language));
        symbols_[idx(c)]->setLanguage(language);
    }
}

void PortHeaderRow::reloadSymbols() {
    for (CPortSymbol* s : symbols_)
        s->reload();
}

} // namespace quorvex::widgets
