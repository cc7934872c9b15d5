#include "pages/telephony/accept_page_widget.h"

#include "core/config_app.h"
#include "pages/telephony/port_header_widget.h"
#include "ui/accessibility.h"
#include "ui/drop_list_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace quorvex::widgets {

namespace {

using namespace quorvex::telephony;

// Pixel layout of the content area: a column per port, 100 px wide.
constexpr int kLeft = 10;
constexpr int kColumnWidth = 100;
constexpr int kControlWidth = 96;
constexpr int kHeaderTop = 4;
constexpr int kListTop = 76;
constexpr int kListHeight = 50;
constexpr int kModeTop = 130;
constexpr int kCallerIdTop = 154;
constexpr int kRingTop = 178;
constexpr int kSelectorHeight = 21;
constexpr int kWaitingTop = 204;
constexpr int kLowerTop = 224;
constexpr int kSoftFaxLabelTop = 154;
constexpr int kSoftFaxListTop = 184;
constexpr int kSoftFaxListHeight = 36;
constexpr int kSoftFaxModeTop = 224;
constexpr int kCallBackTop = 254;
constexpr int kPageHeight = 370;

constexpr int kTextCallWaiting = 6038;
constexpr int kTextLowerVolume = 6040;
constexpr int kTextCallBack = 6042;
constexpr int kTextSoftFax = 6034;
constexpr int kTextAcceptance = 6002; // "Call Acceptance", the page's tab

int columnX(int column) {
    return kLeft + kColumnWidth * column;
}

QListWidget* makeList(QWidget* parent, int id, QRect where) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::number(id));
    list->setGeometry(where);
    list->setFocusPolicy(Qt::NoFocus);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A view draws its entries in the inactive colours while it has no focus,
    // and this one never has it: some themes (dark Adwaita) make those too
    // faint to read.
    followPalette(list, [list] {
        QPalette palette = list->palette();
        const QColor text = palette.color(QPalette::Active, QPalette::Text);
        if (palette.color(QPalette::Inactive, QPalette::Text) == text) return;
        palette.setColor(QPalette::Inactive, QPalette::Text, text);
        list->setPalette(palette);
    });
    return list;
}

} // namespace

AcceptPageWidget::AcceptPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                                   QWidget* parent)
    : PageWidget(app, host, 1, SendButton::Yes, parent),
      logic_(app, *this, host, model == 30 ? 3 : 5) {
    setPageHeight(kPageHeight);
    build(logic_.portCount());
    ready_ = true;
    relabel(language());
    refresh();
}

AcceptPageWidget::~AcceptPageWidget() = default;

CDropList* AcceptPageWidget::addSelector(int kind, int id, QRect where) {
    auto* drop = new CDropList(kind, id, 0, language(), configApp().largeFonts, content());
    drop->setGeometry(where);
    connect(drop, &CDropList::selectionChanged, this, [this, drop](int controlId) {
        if (filling()) return;
        logic_.selectionChanged(controlId, drop->selection());
    });
    selectors_.push_back(drop);
    return drop;
}

void AcceptPageWidget::build(int portCount) {
    QWidget* area = content();
    header_ = std::make_unique<PortHeaderRow>(configApp(), area, language());
    for (int c = 0; c < PortHeaderRow::kColumns; ++c) {
        const bool present = c < portCount || c == PortHeaderRow::kDataColumn;
        header_->setColumnVisible(c, present);
    }
    // Reading order: each port's controls top to bottom, then the data port.
    std::vector<QWidget*> order;
    for (int p = 0; p < portCount; ++p) {
        const int x = columnX(p);
        header_->place(p, x, kControlWidth, kHeaderTop);
        lists_.push_back(
            makeList(area, kMsnListControl + p, {x, kListTop, kControlWidth, kListHeight}));
        addSelector(CDropList::AcceptanceMode, kAcceptModeControl + p,
                    {x, kModeTop, kControlWidth, kSelectorHeight});
        addSelector(CDropList::CallerId, kCallerIdControl + p,
                    {x, kCallerIdTop, kControlWidth, kSelectorHeight});
        addSelector(CDropList::RingDelay, kRingDelayControl + p,
                    {x, kRingTop, kControlWidth, kSelectorHeight});
        auto* waiting = new QCheckBox(area);
        waiting->setObjectName(QString::number(kCallWaitingControl + p));
        waiting->setGeometry(x, kWaitingTop, kColumnWidth, 18);
        auto* lower = new QCheckBox(area);
        lower->setObjectName(QString::number(kLowerVolumeControl + p));
        lower->setGeometry(x, kLowerTop, kColumnWidth, 18);
        for (QCheckBox* box : {waiting, lower}) {
            connect(box, &QCheckBox::clicked, this, [this, box] {
                if (filling()) return;
                logic_.toggle(box->objectName().toInt());
            });
        }
        waiting_.push_back(waiting);
        lower_.push_back(lower);
        order.insert(order.end(),
                     {selectors_[selectors_.size() - 3], selectors_[selectors_.size() - 2],
                      selectors_.back(), waiting, lower});
    }

    // The data port takes the column after the last analog port (an R30 has no gap).
    const int x = columnX(portCount);
    header_->place(PortHeaderRow::kDataColumn, x, kControlWidth, kHeaderTop);
    lists_.push_back(
        makeList(area, kDataMsnListControl, {x, kListTop, kControlWidth, kListHeight}));
    addSelector(CDropList::AcceptanceMode, kDataModeControl,
                {x, kModeTop, kControlWidth, kSelectorHeight});
    softFaxLabel_ = makeLabel(area);
    softFaxLabel_->setGeometry(x, kSoftFaxLabelTop, kControlWidth + 4, 28);
    lists_.push_back(makeList(area, kSoftFaxMsnListControl,
                              {x, kSoftFaxListTop, kControlWidth, kSoftFaxListHeight}));
    addSelector(CDropList::AcceptanceMode, kSoftFaxModeControl,
                {x, kSoftFaxModeTop, kControlWidth, kSelectorHeight});

    callBack_ = new QPushButton(area);
    callBack_->setObjectName(QString::number(kCallBackButton));
    callBack_->setAutoDefault(false);
    callBack_->setGeometry(x, kCallBackTop, kControlWidth, 23);
    connect(callBack_, &QPushButton::clicked, this, [this] { logic_.callBackButton(); });
    const std::size_t dataModes = selectors_.size() - 2;
    order.insert(order.end(), {selectors_[dataModes], selectors_[dataModes + 1], callBack_});
    setReadingOrder(order);
}

void AcceptPageWidget::refreshControls() {
    if (!ready_) return;
    for (CDropList* drop : selectors_)
        drop->setSelection(logic_.value(drop->id()));
    for (auto* boxes : {&waiting_, &lower_}) {
        for (QCheckBox* box : *boxes)
            box->setChecked(logic_.value(box->objectName().toInt()) == 1);
    }
    for (QListWidget* list : lists_) {
        list->clear();
        for (const std::string& msn : logic_.listBoxItems(list->objectName().toInt()))
            list->addItem(QString::fromStdString(msn));
    }
    for (int c = 0; c < PortHeaderRow::kColumns; ++c)
        header_->setName(c, QString::fromStdString(logic_.portName(c)));
    header_->reloadSymbols();
}

void AcceptPageWidget::relabel(int language) {
    if (!ready_) return;
    header_->relabel(language);
    for (CDropList* drop : selectors_)
        drop->setLanguage(language);
    for (QCheckBox* box : waiting_)
        box->setText(labelText(kTextCallWaiting, language));
    for (QCheckBox* box : lower_)
        box->setText(labelText(kTextLowerVolume, language));
    softFaxLabel_->setText(labelText(kTextSoftFax, language));
    callBack_->setText(tableText(kTextCallBack, language));

    // Names for assistive technology: the setting, and the port it belongs to.
    const QString acceptance = nameText(kTextAcceptance, language);
    const auto name = [this](int id, const QString& text) {
        if (QWidget* w = control(id)) w->setAccessibleName(text);
    };
    for (int p = 0; p < logic_.portCount(); ++p) {
        const QString port = nameText(PortHeaderRow::labelTextId(p), language);
        name(kMsnListControl + p, namePattern(kNameMsnsOf, language, port));
        name(kAcceptModeControl + p, nameIn(acceptance, port));
        name(kCallerIdControl + p, nameIn(tableText(kNameCallerId, language), port));
        name(kRingDelayControl + p, nameIn(tableText(kNameRingDelay, language), port));
        name(kCallWaitingControl + p, nameIn(nameText(kTextCallWaiting, language), port));
        name(kLowerVolumeControl + p, nameIn(nameText(kTextLowerVolume, language), port));
    }
    const QString dataPort =
        nameText(PortHeaderRow::labelTextId(PortHeaderRow::kDataColumn), language);
    const QString softFax = nameText(kTextSoftFax, language);
    name(kDataMsnListControl, namePattern(kNameMsnsOf, language, dataPort));
    name(kSoftFaxMsnListControl, namePattern(kNameMsnsOf, language, softFax));
    name(kDataModeControl, nameIn(acceptance, dataPort));
    name(kSoftFaxModeControl, nameIn(acceptance, softFax));
}

void AcceptPageWidget::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    refresh(); // names, MSNs and symbols may have changed on the MSN page
}

} // namespace quorvex::widgets
