#pragma once
// CBodDlg: the modal "BOD configuration" dialog over data::BodDialog. Four
// fields (high water and its duration, low water and its duration) in two
// group boxes, the caution text and two caution pictures, OK, Cancel and the
// help button. The dialog talks to no device: the data page hands the four
// values in and takes them back whatever closed the dialog.

#include "core/page.h"
#include "pages/data/bod_logic.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quorvex::widgets {

class CBodDlg final : public QDialog, public core::PageUi {
    Q_OBJECT
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    static constexpr int kHelp = 57670;

    CBodDlg(const data::BodValues& opening, int language, bool soundOn, QWidget* parent = nullptr);
    ~CBodDlg() override;

    // Runs the dialog modally and gives back what the page takes: the values
    // after OK, the opening values after Cancel or the close box.
    static data::BodValues run(const data::BodValues& opening, int language, bool soundOn,
                               QWidget* parent);

    // What the dialog hands back (the opening values until OK).
    data::BodValues values() const { return values_; }
    const data::BodDialog& logic() const { return logic_; }
    QLineEdit* field(data::BodField field) const {
        return fields_[static_cast<std::size_t>(field)];
    }

    // ---- PageUi ----
    void message(int textId) override;
    bool askYesNo(int textId) override;
    core::DiscardAnswer askSendDiscardCancel() override { return core::DiscardAnswer::Cancel; }
    void beep() override;
    void setBusy(bool /*on*/) override {}
    void focus(int controlId) override;
    void refresh() override;
    void messageWithTail(int textId, const std::string& tail) override;

protected:
    void reject() override; // Cancel, Escape and the close box

private:
    void build();
    void okClicked();
    void showHelp();

    int language_;
    bool soundOn_;
    data::BodDialog logic_;
    data::BodValues values_;
    std::array<QLineEdit*, data::kBodFieldCount> fields_{};
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QToolButton* help_ = nullptr;
};

} // namespace quorvex::widgets
