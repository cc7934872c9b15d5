#include "pages/data/timer_page_widget.h"

#include "core/config_app.h"
#include "core/port_symbols.h"
#include "ui/accessibility.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvex::widgets {
namespace {

namespace ctl = data::timer_control;

constexpr int kFirstHeading = 6020; // "Port 11" ... "Port 32": 6020 + 2 * port
constexpr int kMorningCallText = 6104;
constexpr int kActivatedText = 6106;
constexpr int kSyncHint = 6108;
constexpr int kSyncText = 6110;

constexpr int kLeft = 20;
constexpr int kColumnPitch = 116;
constexpr int kColumnWidth = 108;
constexpr int kTimeLength = 5; // "hh:mm"
constexpr QRect kArtwork{16, 268, 64, 64};

int columnX(int port) {
    return kLeft + port * kColumnPitch;
}

} // namespace

TimerPageWidget::TimerPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, /*index*/ 8, SendButton::Yes, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    logic_.showFixedText = [this](std::string_view text) {
        showMessage(window(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    beepFor(configApp().soundOn));
    };
    build();
    relabel(language());
    refresh();
}

TimerPageWidget::~TimerPageWidget() {
    logic_.showFixedText = nullptr;
}

void TimerPageWidget::build() {
    QWidget* c = content();
    std::vector<QWidget*> order;
    for (int port = 0; port < core::kMaxAnalogPorts; ++port) {
        const auto p = static_cast<std::size_t>(port);
        const int x = columnX(port);
        auto* symbol = new CPortSymbol(port, CPortSymbol::Analog, /*picker*/ false, language(), c);
        symbol->setObjectName(QStringLiteral("symbol%1").arg(port));
        symbol->move(x + (kColumnWidth - CPortSymbol::kWidth) / 2, 2);
        symbol->setProfileFunctions({}, [this](int index) {
            core::PortSymbol s(index, core::SymbolKind::Analog);
            s.load(configApp().profiles(), 0);
            return s.picture();
        });
        symbols_[p] = symbol;

        names_[p] = new QLabel(c);
        names_[p]->setObjectName(QStringLiteral("name%1").arg(port));
        names_[p]->setGeometry(x, 42, kColumnWidth, 16);
        names_[p]->setAlignment(Qt::AlignCenter);
        setTextColour(names_[p], kPortNameBlue);

        headings_[p] = new QLabel(c);
        headings_[p]->setObjectName(QStringLiteral("heading%1").arg(port));
        headings_[p]->setGeometry(x, 58, kColumnWidth, 16);
        headings_[p]->setAlignment(Qt::AlignCenter);

        groups_[p] = new QGroupBox(c);
        groups_[p]->setObjectName(QStringLiteral("group%1").arg(port));
        groups_[p]->setGeometry(x, 80, kColumnWidth, 86);

        const int activeId = ctl::kActiveBase + port;
        actives_[p] = new QCheckBox(groups_[p]);
        actives_[p]->setObjectName(QString::number(activeId));
        actives_[p]->setGeometry(8, 24, kColumnWidth - 12, 20);
        connect(actives_[p], &QCheckBox::clicked, this,
                [this, activeId] { logic_.click(activeId); });

        const int timeId = ctl::kTimeBase + port;
        times_[p] = new QLineEdit(groups_[p]);
        times_[p]->setObjectName(QString::number(timeId));
        times_[p]->setGeometry(8, 52, 56, 22);
        times_[p]->setMaxLength(kTimeLength + 1); // one more, so the sixth character is refused
        connect(times_[p], &QLineEdit::textEdited, this, [this, timeId](const QString& text) {
            if (!filling()) logic_.typeText(timeId, text.toStdString());
        });
        order.insert(order.end(), {actives_[p], times_[p]});
    }
    syncText_ = new QLabel(c);
    syncText_->setObjectName(QString::number(kSyncHint));
    syncText_->setGeometry(kLeft, 186, 580, 18);
    syncText_->setAlignment(Qt::AlignCenter);
    sync_ = new QPushButton(c);
    sync_->setObjectName(QString::number(ctl::kSync));
    sync_->setAutoDefault(false);
    sync_->setGeometry((kPageWidth - 200) / 2, 208, 200, 25);
    connect(sync_, &QPushButton::clicked, this, [this] { logic_.click(ctl::kSync); });
    order.push_back(sync_);
    setReadingOrder(order);

    auto* artwork = new CPicture(QStringLiteral("artwork.svg"), kArtwork.size(), c);
    artwork->setObjectName(QStringLiteral("artwork"));
    artwork->setGeometry(kArtwork);
    placeColumns();
}

void TimerPageWidget::relabel(int lang) {
    for (int port = 0; port < core::kMaxAnalogPorts; ++port) {
        const auto p = static_cast<std::size_t>(port);
        headings_[p]->setText(labelText(kFirstHeading + 2 * port, lang));
        groups_[p]->setTitle(labelText(kMorningCallText, lang));
        actives_[p]->setText(tableText(kActivatedText, lang));
        symbols_[p]->setLanguage(lang);
        // Names for assistive technology: the morning call's switch and time of a port.
        const QString portName = nameText(kFirstHeading + 2 * port, lang);
        actives_[p]->setAccessibleName(nameIn(nameText(kActivatedText, lang), portName));
        times_[p]->setAccessibleName(nameIn(nameText(kMorningCallText, lang), portName));
    }
    syncText_->setText(labelText(kSyncHint, lang));
    sync_->setText(tableText(kSyncText, lang));
}

void TimerPageWidget::placeColumns() {
    const int count = logic_.portCount();
    // The columns of the ports present stand centred on the page (the page is
    // built for one model).
    const int shift = (core::kMaxAnalogPorts - count) * kColumnPitch / 2;
    for (int port = 0; port < core::kMaxAnalogPorts; ++port) {
        const auto p = static_cast<std::size_t>(port);
        const int x = columnX(port) + shift;
        symbols_[p]->move(x + (kColumnWidth - CPortSymbol::kWidth) / 2, symbols_[p]->y());
        for (QWidget* w : {static_cast<QWidget*>(names_[p]), static_cast<QWidget*>(headings_[p]),
                           static_cast<QWidget*>(groups_[p])})
            w->move(x, w->y());
        for (QWidget* w : {static_cast<QWidget*>(symbols_[p]), static_cast<QWidget*>(names_[p]),
                           static_cast<QWidget*>(headings_[p]), static_cast<QWidget*>(groups_[p])})
            w->setVisible(port < count);
    }
}

void TimerPageWidget::refreshControls() {
    const int count = logic_.portCount();
    for (int port = 0; port < count; ++port) {
        const auto p = static_cast<std::size_t>(port);
        names_[p]->setText(QString::fromStdString(logic_.portName(port)));
        symbols_[p]->reload();
        actives_[p]->setChecked(logic_.flag(ctl::kActiveBase + port));
        const QString text = QString::fromStdString(logic_.text(ctl::kTimeBase + port));
        if (times_[p]->text() != text) times_[p]->setText(text);
    }
}

bool TimerPageWidget::enterOrTab(int focusedId) {
    // The field's text as the control holds it (a paste reports no edit).
    for (int port = 0; port < logic_.portCount(); ++port) {
        QLineEdit* edit = times_[static_cast<std::size_t>(port)];
        if (edit->objectName().toInt() == focusedId &&
            edit->text().toStdString() != logic_.text(focusedId))
            logic_.takeText(focusedId, edit->text().toStdString());
    }
    logic_.enterOrTab(focusedId);
    // A time refused with "Error Format" keeps the focus: no request then.
    return focusRequested();
}

void TimerPageWidget::focus(int controlId) {
    PageWidget::focus(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(control(controlId))) edit->selectAll();
}

} // namespace quorvex::widgets
