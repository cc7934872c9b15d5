#pragma once
// The head of the telephony pages' port columns: per column the read-only port
// symbol, the port's label ("Port 21", "Data Port") and its name in blue. Column
// 0-4 are the analog ports 11 ... 32, column 5 the data port. The pages place
// the columns, hide those a model lacks and give the names; the symbols come
// from the default profile ("PORTIDX<column>" of MSN_DIV).

#include <QObject>
#include <QString>

#include <array>

class QLabel;
class QWidget;

namespace quorvex::core {
class CConfigApp;
}

namespace quorvex::widgets {

class CPortSymbol;

class PortHeaderRow {
public:
    static constexpr int kColumns = 6;
    static constexpr int kDataColumn = 5;
    static constexpr int kLabelTop = 40; // below the symbol
    static constexpr int kNameTop = 54;
    static constexpr int kHeight = 70; // symbol, label and name

    PortHeaderRow(core::CConfigApp& app, QWidget* parent, int language);

    // Column c centred in [x, x + width) from top.
    void place(int column, int x, int width, int top);
    void setColumnVisible(int column, bool visible);
    void setName(int column, const QString& name);
    void relabel(int language);
    // UM_SYMBOLRELOAD: the pictures from the default profile again.
    void reloadSymbols();

    CPortSymbol* symbol(int column) const { return symbols_[idx(column)]; }
    QLabel* label(int column) const { return labels_[idx(column)]; }
    QLabel* name(int column) const { return names_[idx(column)]; }

    // "Port 11" ... "Port 32" (6020 + 2c), "Data Port" (6030).
    static int labelTextId(int column);

private:
    static std::size_t idx(int column) { return static_cast<std::size_t>(column); }

    core::CConfigApp& app_;
    std::array<CPortSymbol*, kColumns> symbols_{};
    std::array<QLabel*, kColumns> labels_{};
    std::array<QLabel*, kColumns> names_{};
};

// A label in the port-name blue.
QLabel* makeNameLabel(QWidget* parent);
// A plain label on the dialog background (bold when asked), word-wrapped.
QLabel* makeLabel(QWidget* parent, bool bold = false);

} // namespace quorvex::widgets
