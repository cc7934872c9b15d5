#include "pages/data/data_page_widget.h"

#include "core/config_app.h"
#include "pages/data/bod_dlg.h"
#include "resources/literal_tables.h"
#include "ui/accessibility.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quorvex::widgets {
namespace {

using namespace quorvex::data;

enum class Kind { Label, Check, Combo, Edit, Radio, Button };

// Every control of the page: its id, kind, place in the content area and the
// caption the template gives it (translated captions come from captionTextId).
struct ControlSpec {
    int id;
    Kind kind;
    QRect where;
    const char* templateCaption;
};

constexpr int kFrameLabelX = 20;
constexpr int kFrameFieldX = 110;
constexpr int kBytesX = 178;

const ControlSpec kControls[] = {
    {kCtlCaution, Kind::Label, {64, 16, 480, 22}, ""},
    {kCtlProtocolLabel, Kind::Label, {20, 62, 88, 20}, ""},
    {kCtlProtocol, Kind::Combo, {110, 60, 300, 22}, ""},
    {kCtlAutoIdent, Kind::Check, {20, 92, 560, 20}, ""},
    {kCtlMultiLinkPpp, Kind::Check, {20, 118, 560, 20}, ""},
    {kCtlMultiLinkX75, Kind::Check, {20, 118, 560, 20}, ""},
    {kCtlDba, Kind::Check, {40, 144, 540, 20}, ""},
    {kCtlBod, Kind::Check, {40, 170, 300, 20}, ""},
    {kCtlBodConfig, Kind::Button, {370, 168, 170, 24}, ""},
    {kCtlEidClassLabel, Kind::Label, {40, 204, 88, 20}, ""},
    {kCtlEidClass, Kind::Combo, {130, 202, 300, 22}, ""},
    {kCtlEidNumber, Kind::Edit, {130, 232, 200, 22}, ""},
    {kCtlEidExample, Kind::Label, {130, 258, 300, 18}, ""},
    {kCtlV120FrameLabel, Kind::Label, {kFrameLabelX, 120, 88, 20}, "Frame Size:"},
    {kCtlV120FrameSize, Kind::Edit, {kFrameFieldX, 118, 60, 22}, ""},
    {kCtlV120Bytes, Kind::Label, {kBytesX, 120, 80, 20}, ""},
    {kCtlIFrame, Kind::Radio, {20, 150, 160, 20}, "I-Frame"},
    {kCtlUiFrame, Kind::Radio, {20, 174, 160, 20}, "UI-Frame"},
    {kCtlX75BtxFrameLabel, Kind::Label, {kFrameLabelX, 150, 88, 20}, "Frame Size:"},
    {kCtlX75TransparentFrameLabel, Kind::Label, {kFrameLabelX, 150, 88, 20}, "Frame Size:"},
    {kCtlX75T70FrameLabel, Kind::Label, {kFrameLabelX, 150, 88, 20}, "Frame Size:"},
    {kCtlX75FrameSize, Kind::Edit, {kFrameFieldX, 148, 60, 22}, ""},
    {kCtlX75BtxBytes, Kind::Label, {kBytesX, 150, 80, 20}, ""},
    {kCtlX75TransparentBytes, Kind::Label, {kBytesX, 150, 80, 20}, ""},
    {kCtlX75T70Bytes, Kind::Label, {kBytesX, 150, 80, 20}, ""},
    {kCtlHdlcFrameLabel, Kind::Label, {kFrameLabelX, 120, 88, 20}, "Frame Size:"},
    {kCtlHdlcFrameSize, Kind::Edit, {kFrameFieldX, 118, 60, 22}, ""},
    {kCtlHdlcBytes, Kind::Label, {kBytesX, 120, 80, 20}, ""},
};

const QRect kCautionPicture{16, 6, 40, 40};
constexpr int kBytesText = 6140;

// The field each label names for assistive technology.
struct LabelFor {
    int label;
    int field;
};
constexpr LabelFor kLabels[] = {
    {kCtlProtocolLabel, kCtlProtocol},       {kCtlEidClassLabel, kCtlEidClass},
    {kCtlV120FrameLabel, kCtlV120FrameSize}, {kCtlX75BtxFrameLabel, kCtlX75FrameSize},
    {kCtlHdlcFrameLabel, kCtlHdlcFrameSize},
};

} // namespace

DataPageWidget::DataPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent)
    : PageWidget(app, host, /*index*/ 5, SendButton::Yes, parent), logic_(app, *this, host) {
    setPageHeight(kHeight);
    build();
    relabel(language());
    refresh();
}

DataPageWidget::~DataPageWidget() = default;

void DataPageWidget::build() {
    // Decoration: the caution text beside it says what it means.
    auto* picture = new CPicture(QStringLiteral("caution.svg"), kCautionPicture.size(), content());
    picture->setObjectName(QStringLiteral("cautionPicture"));
    picture->setGeometry(kCautionPicture);

    for (const ControlSpec& spec : kControls) {
        QWidget* w = nullptr;
        const int id = spec.id;
        const QString caption = QString::fromUtf8(spec.templateCaption);
        switch (spec.kind) {
        case Kind::Label:
            w = new QLabel(caption, content());
            break;
        case Kind::Check: {
            auto* box = new QCheckBox(content());
            connect(box, &QCheckBox::clicked, this,
                    [this, id](bool on) { logic_.checkClicked(id, on); });
            w = box;
            break;
        }
        case Kind::Combo: {
            auto* combo = new QComboBox(content());
            combo->setMaxVisibleItems(10);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, id](int index) {
                if (filling() || index < 0) return;
                if (id == kCtlProtocol)
                    logic_.protocolSelected(index);
                else
                    logic_.eidClassSelected(index);
            });
            (id == kCtlProtocol ? protocol_ : eidClass_) = combo;
            w = combo;
            break;
        }
        case Kind::Edit: {
            auto* edit = new QLineEdit(content());
            edit->setMaxLength(id == kCtlEidNumber ? 48 : 8);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, id](const QString& text) { editChanged(id, text); });
            w = edit;
            break;
        }
        case Kind::Radio: {
            auto* radio = new QRadioButton(caption, content());
            const bool iFrame = id == kCtlIFrame;
            connect(radio, &QRadioButton::clicked, this,
                    [this, iFrame] { logic_.frameTypeClicked(iFrame); });
            w = radio;
            break;
        }
        case Kind::Button: {
            auto* button = new QPushButton(content());
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this] {
                logic_.openBodDialog([this](const BodValues& values) {
                    return CBodDlg::run(values, language(), configApp().soundOn, window());
                });
            });
            w = button;
            break;
        }
        }
        w->setObjectName(QString::number(id));
        w->setGeometry(spec.where);
        controls_[id] = w;
    }
    if (auto* caution = qobject_cast<QLabel*>(controls_[kCtlCaution])) {
        QFont bold = caution->font();
        bold.setBold(true);
        caution->setFont(bold);
    }
    // The reading order goes down the page.
    std::vector<QWidget*> order;
    for (const ControlSpec& spec : kControls) {
        QWidget* w = controls_[spec.id];
        if (w->focusPolicy() != Qt::NoFocus) order.push_back(w);
    }
    setReadingOrder(order);
    for (const LabelFor& l : kLabels) {
        if (auto* label = qobject_cast<QLabel*>(controls_[l.label]))
            label->setBuddy(controls_[l.field]);
    }
    // What a protocol shows must fit as well as what the page shows now.
    for (int id : switchedControls())
        keepRoomWhileHidden(controls_[id]);
}

void DataPageWidget::editChanged(int controlId, const QString& text) {
    if (filling()) return;
    logic_.editChanged(controlId, text.toStdString());
}

void DataPageWidget::fillCombos() {
    const int lang = language();
    protocol_->clear();
    for (int i = 0; i < literals::kProtocolCount; ++i)
        protocol_->addItem(QString::fromUtf8(literals::protocolText(i, lang)));
    eidClass_->clear();
    for (int i = 0; i < literals::kEidClassCount; ++i)
        eidClass_->addItem(QString::fromUtf8(literals::eidClassText(i, lang)));
}

void DataPageWidget::relabel(int lang) {
    for (const ControlSpec& spec : kControls) {
        const int textId = captionTextId(spec.id);
        if (textId == 0) continue;
        QWidget* w = controls_[spec.id];
        if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(labelText(textId, lang));
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(tableText(textId, lang));
    }
    // Names for assistive technology: the label beside a field (the frame
    // sizes with their unit), the EID number by what it is.
    for (const LabelFor& l : kLabels) {
        QString name = nameText(qobject_cast<QLabel*>(controls_[l.label])->text());
        if (l.field != kCtlProtocol && l.field != kCtlEidClass)
            name = nameIn(name, nameText(kBytesText, lang));
        controls_[l.field]->setAccessibleName(name);
    }
    controls_[kCtlEidNumber]->setAccessibleName(tableText(kNameEidNumber, lang));
    // Both combo boxes again in the new language, keeping the selections.
    refresh();
}

void DataPageWidget::refreshControls() {
    if (protocol_->count() != literals::kProtocolCount ||
        protocol_->itemText(0) != QString::fromUtf8(literals::protocolText(0, language())))
        fillCombos();
    protocol_->setCurrentIndex(logic_.selection(kCtlProtocol));
    eidClass_->setCurrentIndex(logic_.selection(kCtlEidClass));
    for (const auto& [id, w] : controls_) {
        if (auto* box = qobject_cast<QCheckBox*>(w)) box->setChecked(logic_.checked(id));
        if (auto* radio = qobject_cast<QRadioButton*>(w)) radio->setChecked(logic_.checked(id));
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const QString text = QString::fromStdString(logic_.fieldText(id));
            if (edit->text() != text) edit->setText(text);
        }
    }
    if (auto* example = qobject_cast<QLabel*>(controls_[kCtlEidExample])) {
        example->setText(labelText(logic_.exampleTextId(), language()));
        controls_[kCtlEidNumber]->setAccessibleDescription(example->text());
    }
    for (int id : switchedControls())
        controls_[id]->setVisible(logic_.visible(id));
}

void DataPageWidget::focus(int controlId) {
    PageWidget::focus(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(control(controlId))) edit->selectAll();
}

} // namespace quorvex::widgets
