#pragma once
// DataPageWidget: the "Protocol transfer" page over data::DataPage. The protocol
// combo box, automatic identification, the MultiLink, DBA and BOD switches,
// the "BOD configuration" button (CBodDlg), the EID class and number, the
// V.120, X.75 and HDLC frame settings, the caution text and picture. Which
// controls show is the logic's decision, applied on every refresh.

#include "pages/data/data_page.h"
#include "ui/page_widget.h"

#include <map>

class QComboBox;
class QLineEdit;

namespace quorvex::widgets {

class DataPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 420;

    DataPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent = nullptr);
    ~DataPageWidget() override;

    core::Page& logic() override { return logic_; }
    data::DataPage& dataPage() { return logic_; }

    // PageUi: a rejected field gets the focus with its whole text selected.
    void focus(int controlId) override;

protected:
    void refreshControls() override;
    void relabel(int language) override;

private:
    void build();
    void fillCombos();
    void editChanged(int controlId, const QString& text);

    data::DataPage logic_; // constructed after the frame: the frame is its PageUi
    QComboBox* protocol_ = nullptr;
    QComboBox* eidClass_ = nullptr;
    std::map<int, QWidget*> controls_; // every bound control by id
};

} // namespace quorvex::widgets
