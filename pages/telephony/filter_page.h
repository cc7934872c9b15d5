#pragma once
// The call filter page without its widget: for the analog ports and the data
// port a list of ten caller numbers the device turns away, and an
// "Activated" switch per list. An entry is shown as the user knows it (a
// stored star code shows the port's name) and stored as the device takes it
// (a port name becomes "*" and the port number): the rule of port_entry.h,
// shared with the short dial and forwarding pages.

#include "core/page.h"
#include "pages/telephony/port_entry.h"

#include <array>
#include <string>

namespace quorvex::telephony {

inline constexpr int kFilterColumns = 6; // ports 11, 21, 22, 31, 32 and the data port
inline constexpr int kFilterDataColumn = 5;
inline constexpr int kFilterSlots = 10;
inline constexpr int kFilterEntryControl = 2800;  // 2800 + 10 column + slot
inline constexpr int kFilterActiveControl = 2860; // 2860 + column
inline constexpr int kFilterHelpText = 7008;
inline constexpr int kFilterTitleText = 8508;

class FilterPage final : public core::PageBase {
public:
    // portCount 3 (R30: lists of ports 31 and 32 do not exist) or 5.
    FilterPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);
    FilterPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int portCount);
    // The item table points into the page's own columns.
    FilterPage(const FilterPage&) = delete;
    FilterPage& operator=(const FilterPage&) = delete;

    int portCount() const { return portCount_; }
    // Columns 0..portCount-1 and the data column 5.
    bool columnExists(int column) const;

    // Page contract.
    void readDevice() override;
    void shown() override; // names from the cache, display refreshed, focus 2800
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override; // as after a commit of every field
    void forget() override;
    void send() override; // changed items only
    void discard() override;
    void acceptField() override; // commits every field
    void enterOrTab() override;  // commits, moves to the next field
    void fieldChanged(int controlId) override;

    // ---- what the widget binds ----
    // Entry edits 2800-2859 (text) and check boxes 2860-2865.
    const std::string& text(int controlId) const;
    // The user typed: the text becomes the field's text and is validated at
    // once. False when refused (message 9000, the entry back to its confirmed
    // value, the focus back in the field). An incomplete text is accepted
    // while typing; a commit returns it to the confirmed value.
    bool textChanged(int controlId, std::string text);
    // Just binds a text (no validation), e.g. before fieldChanged().
    void setText(int controlId, std::string text);
    bool active(int column) const;
    bool toggleActive(int controlId); // BN_CLICKED on 2860-2865
    // The field with the focus (Enter/Tab commits it and moves on).
    void setCurrentField(int controlId) { currentField_ = controlId; }
    int currentField() const { return currentField_; }
    // Column 0-4: the analog port's name (its number in double quotes when it
    // has none); column 5 the data port's.
    std::string portName(int column) const;

    // For tests and the widget: the stored and confirmed entry.
    const std::string& stored(int column, int slot) const;
    const std::string& confirmed(int column, int slot) const;

private:
    struct Column {
        core::Item<int> active;
        std::array<PortEntry, kFilterSlots> entries;
    };

    int entryNumber(int controlId) const;
    PortEntry* entryOf(int controlId);
    const PortEntry* entryOf(int controlId) const;
    void buildTable();
    void refreshNames();
    void refreshDisplay();
    core::PortNames classifierNames() const;
    void sendItems(core::SendMode mode);

    int portCount_;
    std::array<Column, kFilterColumns> columns_{};
    std::array<std::string, kFilterColumns> names_{};
    core::ItemTable table_; // switches, then entries, of the existing columns
    int currentField_ = kFilterEntryControl;
    bool loading_ = false;
};

} // namespace quorvex::telephony
