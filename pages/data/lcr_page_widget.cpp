#include "pages/data/lcr_page_widget.h"

#include "ui/accessibility.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace quorvex::widgets {
namespace {

using data::BandField;
using data::RangeField;
namespace ctl = data::lcr_control;

constexpr int kActivatedText = 6080;
constexpr int kMonFriText = 6060;
constexpr int kSatSunText = 6082;
constexpr int kActiveText = 6090;
constexpr int kExcludedText = 6092;
constexpr int kHourDigits = 3; // room for the "-" that moves on to the till hour
constexpr int kNumberDigits = ctl::kNumberFieldMaxLength;
constexpr int kProviderLength = 40;

// The painted column headings above the band rows.
struct Heading {
    int textId;
    QRect where;
};
constexpr Heading kHeadings[] = {
    {6084, {34, 34, 100, 32}},  // "Time \n from -till"
    {6086, {132, 34, 70, 32}},  // "Pre-\ndial nb"
    {6088, {366, 34, 118, 32}}, // "Apply to-\nlocal calls"
    {6056, {486, 34, 100, 32}}, // "Activated"
};

// The band row's columns.
constexpr int kBandTop = 70;
constexpr int kBandPitch = 26;
constexpr QRect kBandNumber{12, 0, 22, 22};
constexpr QRect kBandFrom{38, 0, 38, 22};
constexpr QRect kBandDash{78, 0, 10, 22};
constexpr QRect kBandTill{90, 0, 38, 22};
constexpr QRect kBandPredial{138, 0, 60, 22};
constexpr QRect kBandProvider{206, 0, 160, 22};
constexpr QRect kBandLocal{416, 1, 20, 20};
constexpr QRect kBandActive{500, 1, 90, 20};

// The excluded ranges: a group of two columns of four rows.
constexpr QRect kRangeBox{100, 232, 504, 160};
constexpr int kRangeColumnPitch = 248;
constexpr int kRangeTop = 26;
constexpr int kRangePitch = 32;

constexpr QRect kArtwork{16, 318, 64, 64};

QRect at(const QRect& r, int dx, int dy) {
    return r.translated(dx, dy);
}

QLabel* plainLabel(QWidget* parent, const QString& text, const QRect& where) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(where);
    return l;
}

} // namespace

LcrPageWidget::LcrPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, /*index*/ 6, SendButton::Yes, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    build();
    relabel(language());
}

LcrPageWidget::~LcrPageWidget() = default;

void LcrPageWidget::addEdit(QWidget* parent, int id, const QRect& where, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    edit->setGeometry(where);
    edit->setMaxLength(maxLength);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        if (!filling()) logic_.typeText(id, text.toStdString());
    });
    controls_[id] = edit;
}

void LcrPageWidget::addToggle(QWidget* parent, int id, const QRect& where) {
    // A single radio-style button the page flips itself on each click.
    auto* toggle = new QRadioButton(parent);
    toggle->setObjectName(QString::number(id));
    toggle->setAutoExclusive(false);
    toggle->setGeometry(where);
    connect(toggle, &QRadioButton::clicked, this, [this, id] { logic_.click(id); });
    controls_[id] = toggle;
}

void LcrPageWidget::buildBandRow(int row, int y) {
    QWidget* c = content();
    plainLabel(c, QStringLiteral("%1.").arg(row + 1), at(kBandNumber, 0, y));
    addEdit(c, ctl::band(row, BandField::From), at(kBandFrom, 0, y), kHourDigits);
    auto* dash = plainLabel(c, QStringLiteral("-"), at(kBandDash, 0, y));
    dash->setAlignment(Qt::AlignCenter);
    addEdit(c, ctl::band(row, BandField::Till), at(kBandTill, 0, y), kHourDigits);
    addEdit(c, ctl::band(row, BandField::Predial), at(kBandPredial, 0, y), kNumberDigits);
    addEdit(c, ctl::band(row, BandField::Provider), at(kBandProvider, 0, y), kProviderLength);
    addToggle(c, ctl::band(row, BandField::Local), at(kBandLocal, 0, y));
    addToggle(c, ctl::band(row, BandField::Active), at(kBandActive, 0, y));
}

void LcrPageWidget::buildRangeRow(QWidget* box, int row, int x, int y) {
    plainLabel(box, QStringLiteral("%1.").arg(row + 1), QRect(x, y, 22, 22));
    addEdit(box, ctl::range(row, RangeField::From), QRect(x + 24, y, 62, 22), kNumberDigits);
    auto* dash = plainLabel(box, QStringLiteral("-"), QRect(x + 88, y, 10, 22));
    dash->setAlignment(Qt::AlignCenter);
    addEdit(box, ctl::range(row, RangeField::To), QRect(x + 100, y, 62, 22), kNumberDigits);
    addToggle(box, ctl::range(row, RangeField::Active), QRect(x + 172, y + 1, 70, 20));
}

void LcrPageWidget::build() {
    QWidget* c = content();
    auto* activated = new QCheckBox(c);
    activated->setObjectName(QString::number(ctl::kActivated));
    activated->setGeometry(20, 8, 240, 20);
    connect(activated, &QCheckBox::clicked, this, [this] { logic_.click(ctl::kActivated); });
    controls_[ctl::kActivated] = activated;
    for (int id : {ctl::kMonFri, ctl::kSatSun}) {
        auto* day = new QRadioButton(c);
        day->setObjectName(QString::number(id));
        day->setGeometry(id == ctl::kMonFri ? 300 : 420, 8, 110, 20);
        connect(day, &QRadioButton::clicked, this, [this, id] { logic_.click(id); });
        controls_[id] = day;
    }

    for (const Heading& h : kHeadings) {
        auto* heading = plainLabel(c, QString(), h.where);
        heading->setObjectName(QStringLiteral("heading%1").arg(h.textId));
        heading->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        headings_[h.textId] = heading;
    }
    for (int row = 0; row < data::kLcrBands; ++row)
        buildBandRow(row, kBandTop + row * kBandPitch);

    auto* box = new QGroupBox(c);
    box->setObjectName(QString::number(kExcludedText));
    box->setGeometry(kRangeBox);
    constexpr int kRowsPerColumn = data::kLcrRanges / 2;
    for (int row = 0; row < data::kLcrRanges; ++row) {
        buildRangeRow(box, row, 12 + (row / kRowsPerColumn) * kRangeColumnPitch,
                      kRangeTop + (row % kRowsPerColumn) * kRangePitch);
    }

    auto* artwork = new CPicture(QStringLiteral("artwork.svg"), kArtwork.size(), c);
    artwork->setObjectName(QStringLiteral("artwork"));
    artwork->setGeometry(kArtwork);

    // Reading order: the switch and the day types, the bands row by row, the
    // excluded ranges by their numbers.
    std::vector<QWidget*> order{controls_[ctl::kActivated], controls_[ctl::kMonFri],
                                controls_[ctl::kSatSun]};
    for (int row = 0; row < data::kLcrBands; ++row) {
        for (BandField f : {BandField::From, BandField::Till, BandField::Predial,
                            BandField::Provider, BandField::Local, BandField::Active})
            order.push_back(controls_[ctl::band(row, f)]);
    }
    for (int row = 0; row < data::kLcrRanges; ++row) {
        for (RangeField f : {RangeField::From, RangeField::To, RangeField::Active})
            order.push_back(controls_[ctl::range(row, f)]);
    }
    setReadingOrder(order);
}

void LcrPageWidget::relabel(int lang) {
    if (auto* b = qobject_cast<QAbstractButton*>(controls_[ctl::kActivated]))
        b->setText(tableText(kActivatedText, lang));
    qobject_cast<QAbstractButton*>(controls_[ctl::kMonFri])->setText(tableText(kMonFriText, lang));
    qobject_cast<QAbstractButton*>(controls_[ctl::kSatSun])->setText(tableText(kSatSunText, lang));
    for (int row = 0; row < data::kLcrBands; ++row) {
        qobject_cast<QAbstractButton*>(controls_[ctl::band(row, BandField::Active)])
            ->setText(tableText(kActiveText, lang));
    }
    for (int row = 0; row < data::kLcrRanges; ++row) {
        qobject_cast<QAbstractButton*>(controls_[ctl::range(row, RangeField::Active)])
            ->setText(tableText(kActiveText, lang));
    }
    if (auto* box = findChild<QGroupBox*>(QString::number(kExcludedText)))
        box->setTitle(labelText(kExcludedText, lang));
    for (auto& [textId, heading] : headings_)
        heading->setText(labelText(textId, lang));

    // Names for assistive technology: the row (a time period, an excluded range)
    // and the column it stands in.
    const auto name = [this](int id, const QString& text) {
        controls_[id]->setAccessibleName(text);
    };
    const QString from = tableText(kNameFrom, lang);
    const QString till = tableText(kNameTill, lang);
    for (int row = 0; row < data::kLcrBands; ++row) {
        const QString band = namePattern(kNameTimePeriod, lang, QString::number(row + 1));
        name(ctl::band(row, BandField::From), nameIn(band, from));
        name(ctl::band(row, BandField::Till), nameIn(band, till));
        name(ctl::band(row, BandField::Predial), nameIn(band, nameText(kHeadings[1].textId, lang)));
        name(ctl::band(row, BandField::Provider), nameIn(band, tableText(kNameProvider, lang)));
        name(ctl::band(row, BandField::Local), nameIn(band, nameText(kHeadings[2].textId, lang)));
        name(ctl::band(row, BandField::Active), nameIn(band, nameText(kActiveText, lang)));
    }
    for (int row = 0; row < data::kLcrRanges; ++row) {
        const QString range =
            nameText(kExcludedText, lang) + QLatin1Char(' ') + QString::number(row + 1);
        name(ctl::range(row, RangeField::From), nameIn(range, from));
        name(ctl::range(row, RangeField::To), nameIn(range, till));
        name(ctl::range(row, RangeField::Active), nameIn(range, nameText(kActiveText, lang)));
    }
}

void LcrPageWidget::refreshControls() {
    for (const auto& [id, w] : controls_) {
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const QString text = QString::fromStdString(logic_.text(id));
            if (edit->text() != text) edit->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setChecked(logic_.flag(id));
        }
    }
    // Failed writes to the default profile (provider names after a read or a
    // send) go to the main window once the page's own work is done.
    if (!reportPending_) {
        reportPending_ = true;
        postWhenIdle(this, configApp(), [this] { reportWriteFailures(); });
    }
}

void LcrPageWidget::reportWriteFailures() {
    reportPending_ = false;
    core::WriteReport failures = logic_.takeWriteFailures();
    if (!failures.ok()) host().reportWriteFailures(failures);
}

void LcrPageWidget::sendClicked() {
    PageWidget::sendClicked();
    reportWriteFailures();
}

bool LcrPageWidget::enterOrTab(int focusedId) {
    if (controls_.count(focusedId) == 0) return PageWidget::enterOrTab(focusedId);
    logic_.enterOrTab(focusedId); // leaves the field; a rejected one keeps the focus
    return true;
}

void LcrPageWidget::focus(int controlId) {
    PageWidget::focus(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(control(controlId))) edit->selectAll();
}

bool LcrPageWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !filling()) {
        // Leaving a field by mouse or Shift+Tab; Tab and Enter leave through
        // enterOrTab, and a message box taking the focus is no leave.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::BacktabFocusReason) {
            bool ok = false;
            const int id = watched->objectName().toInt(&ok);
            if (ok) logic_.fieldLeft(id);
        }
    }
    return PageWidget::eventFilter(watched, event);
}

} // namespace quorvex::widgets
