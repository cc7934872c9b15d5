#include "ui/page_widget.h"

#include "core/config_app.h"
#include "resources/menus.h"
#include "resources/pages_table.h"
#include "ui/accessibility.h"
#include "ui/discard_dlg.h"
#include "ui/info_dlg.h"
#include "ui/page_button_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

#include <vector>

namespace quorvex::widgets {
namespace {

constexpr int kSendText = 6036; // "Send to R30 / R70"
constexpr int kHelpRight = 8;   // the help button's gap to the right edge
constexpr int kHelpBottom = 6;  // ... and to the bottom edge
constexpr int kBottomBand = 44; // the Send button's band below the content

menus::PageInfo infoOf(int index) {
    return menus::pageAt(index).value_or(menus::kPages[0]);
}

// Blocks the signals of every descendant while a refresh fills the controls, so
// that the page's own filling never reaches the logic as a user edit. A
// descendant the refresh deletes (the text control of a label that has the
// focus, when its text changes) is let go.
class BlockAll {
public:
    explicit BlockAll(QWidget* root) {
        const auto children = root->findChildren<QObject*>();
        blocked_.reserve(static_cast<std::size_t>(children.size()));
        for (QObject* child : children)
            blocked_.push_back({child, child->blockSignals(true)});
    }
    ~BlockAll() {
        for (auto& [child, was] : blocked_) {
            if (child != nullptr) child->blockSignals(was);
        }
    }
    BlockAll(const BlockAll&) = delete;
    BlockAll& operator=(const BlockAll&) = delete;

private:
    std::vector<std::pair<QPointer<QObject>, bool>> blocked_;
};

} // namespace

PageWidget::PageWidget(core::CConfigApp& app, core::PageHost& host, int index, SendButton send,
                       QWidget* parent)
    : QWidget(parent), app_(app), host_(host), index_(index), language_(app.language) {
    setObjectName(QStringLiteral("page%1").arg(index));
    applyDialogColours(this);
    setFont(dialogFont(app_.largeFonts));

    strip_ = new PageButtonStrip(language_, index_, app_.largeFonts, this);
    strip_->move(0, 0); // its size is its tabs'

    connect(strip_, &PageButtonStrip::commandPosted, this, &PageWidget::leaveTo);

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("content"));

    if (send == SendButton::Yes) {
        send_ = new QPushButton(tableText(kSendText, language_), this);
        send_->setObjectName(QString::number(menus::kCmdSend));
        send_->setAutoDefault(false);
        connect(send_, &QPushButton::clicked, this, [this] { sendClicked(); });
    }

    help_ = new QToolButton(this);
    help_->setObjectName(QString::number(menus::kCmdPageHelp));
    help_->setText(QStringLiteral("?"));
    help_->setFocusPolicy(Qt::TabFocus);
    help_->setAccessibleName(helpName(language_));
    help_->setToolTip(helpName(language_));
    help_->setFont(pixelFont(10, true));
    connect(help_, &QToolButton::clicked, this, [this] { showHelp(); });

    setPageHeight(kDefaultHeight);
}

PageWidget::~PageWidget() {}

void PageWidget::setPageHeight(int height) {
    template_ = QSize(kPageWidth, height);
    contentSize_ = QSize(kPageWidth, std::max(0, height - PageButtonStrip::kHeight - kBottomBand));
    fitted_ = false;
    const QSize size(std::max(kPageWidth, strip_->width()), height);
    setMinimumSize(size);
    resize(size);
    placeBottomBand();
}

QSize PageWidget::naturalSize() {
    fitTexts();
    return minimumSize();
}

void PageWidget::fitTexts() {
    if (fitted_) return;
    fitted_ = true;
    // Room for the texts of both languages, so that a language switch never
    // changes the page's size; the page's own language last.
    const QSize reach = reachOf(content_);
    const int shown = language_;
    ++filling_;
    {
        BlockAll blocked(this);
        for (int language : {1 - shown, shown}) {
            language_ = language; // what the page fills in from language() too
            relabel(language);
            makeRoom(content_, &roomGiven_);
            if (send_ != nullptr) {
                send_->setText(tableText(kSendText, language));
                const QSize lacking = roomLacking(send_);
                sendWidth_ = std::max(sendWidth_, send_->width() + lacking.width());
                sendHeight_ = std::max(sendHeight_, send_->height() + lacking.height());
            }
        }
    }
    --filling_;
    const QSize grown = reachOf(content_) - reach;
    contentSize_ += grown.expandedTo(QSize(0, 0));
    const QSize size(std::max(contentSize_.width(), strip_->width()),
                     template_.height() + std::max(0, grown.height()));
    setMinimumSize(size);
    resize(size.expandedTo(this->size()));
    placeBottomBand();
}

void PageWidget::showEvent(QShowEvent* event) {
    fitTexts();
    QWidget::showEvent(event);
}

void PageWidget::placeBottomBand() {
    const int top = PageButtonStrip::kHeight;
    // Given more room than it needs, the page keeps its controls together in the middle.
    const int left = std::max(0, (width() - contentSize_.width()) / 2);
    content_->setGeometry(left, top, contentSize_.width(),
                          std::max(0, height() - top - kBottomBand));
    if (send_ != nullptr) {
        send_->setGeometry((width() - sendWidth_) / 2, height() - kSendBottomGap - sendHeight_,
                           sendWidth_, sendHeight_);
    }
    help_->setGeometry(width() - kHelpRight - kHelpSize, height() - kHelpBottom - kHelpSize,
                       kHelpSize, kHelpSize);
    help_->raise();
}

void PageWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBottomBand();
}

QString PageWidget::caption() const {
    return labelText(infoOf(index_).helpTitle, language_);
}

QString PageWidget::helpName(int language) {
    const auto popups = menus::menuBar();
    const std::string_view title = menus::popupTitle(popups.back(), language);
    QString help = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    return nameText(help.remove(QRegularExpression(QStringLiteral("&(?!&)"))));
}

void PageWidget::setReadingOrder(const std::vector<QWidget*>& controls) {
    std::vector<QWidget*> chain{strip_->button(index_)};
    chain.insert(chain.end(), controls.begin(), controls.end());
    if (send_ != nullptr) chain.push_back(send_);
    chain.push_back(help_);
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void PageWidget::applyLanguage(int language) {
    language_ = language;
    strip_->relabel(language);
    help_->setAccessibleName(helpName(language));
    help_->setToolTip(helpName(language));
    if (send_ != nullptr) send_->setText(tableText(kSendText, language));
    relabel(language);
    update();
    emit captionChanged(caption());
}

void PageWidget::leaveTo(int command) {
    if (command == menus::kPages[0].command + index_) return; // the page shown now
    logic().acceptField();               // the field being edited counts for the question
    if (logic().mayLeave() == 0) return; // "Cancel" keeps the page
    host_.postCommand(command);
}

QWidget* PageWidget::control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

void PageWidget::showHelp() {
    menus::PageInfo info = infoOf(index_);
    CInfoDlg dlg(info.helpBody, info.helpTitle, language_, beepFor(app_.soundOn), window());
    dlg.exec();
}

void PageWidget::sendClicked() {
    auto* base = dynamic_cast<core::PageBase*>(&logic());
    if (base != nullptr) {
        base->sendButton();
    } else {
        if (app_.soundOn) beep();
        logic().send();
    }
}

// ---- PageUi ----

void PageWidget::message(int textId) {
    showMessage(window(), textId, language_, beepFor(app_.soundOn));
}

bool PageWidget::askYesNo(int textId) {
    return widgets::askYesNo(window(), textId, language_, beepFor(app_.soundOn));
}

core::DiscardAnswer PageWidget::askSendDiscardCancel() {
    switch (CDiscardDlg::ask(language_, beepFor(app_.soundOn), window())) {
    case CDiscardDlg::kSend:
        return core::DiscardAnswer::Send;
    case CDiscardDlg::kDiscard:
        return core::DiscardAnswer::Discard;
    default:
        return core::DiscardAnswer::Cancel;
    }
}

void PageWidget::beep() {
    systemBeep();
}

void PageWidget::setBusy(bool on) {
    busy_.set(on);
}

void PageWidget::focus(int controlId) {
    if (committing_) {
        requested_ = controlId; // Enter or Tab decides where the focus goes
        return;
    }
    QWidget* w = control(controlId);
    if (w == nullptr || !w->isEnabled() || w->isHidden()) return;
    w->setFocus(Qt::OtherFocusReason);
}

void PageWidget::refresh() {
    ++filling_;
    {
        BlockAll blocked(this);
        refreshControls();
    }
    --filling_;
    update();
}

void PageWidget::messageWithTail(int textId, const std::string& tail) {
    showMessage(window(), labelText(textId, language_) + QString::fromStdString(tail),
                beepFor(app_.soundOn));
}

// ---- Enter and Tab ----

int PageWidget::focusedControlId() const {
    for (QWidget* w = focusWidget(); w != nullptr && w != this; w = w->parentWidget()) {
        bool ok = false;
        int id = w->objectName().toInt(&ok);
        if (ok) return id;
    }
    return 0;
}

bool PageWidget::enterOrTab(int /*focusedId*/) {
    logic().enterOrTab();
    return true;
}

void PageWidget::commitAndMoveOn() {
    QWidget* from = focusWidget();
    // From any tab of the strip the next stop is the page's first control.
    if (qobject_cast<CPageButton*>(from) != nullptr) from = strip_->button(index_);
    const int id = focusedControlId();
    committing_ = true;
    requested_ = 0;
    const bool moveOn = enterOrTab(id);
    committing_ = false;
    const int requested = requested_;
    requested_ = 0;
    if (requested != 0 && requested == id) {
        focus(requested); // rejected: the field keeps the focus
        return;
    }
    if (!moveOn || from == nullptr || !from->isVisible()) return;
    from->setFocus(Qt::TabFocusReason);
    QWidget::focusNextPrevChild(true);
}

bool PageWidget::focusNextPrevChild(bool next) {
    // Tab from any control of the page arrives here: commit the field and move
    // on in reading order. Shift+Tab keeps Qt's way back.
    if (!next) return QWidget::focusNextPrevChild(next);
    commitAndMoveOn();
    return true;
}

void PageWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A push button takes Enter as a click (Send, help); everything else moves on.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button != nullptr && (qobject_cast<QPushButton*>(button) != nullptr ||
                                  qobject_cast<QToolButton*>(button) != nullptr)) {
            button->click();
        } else {
            commitAndMoveOn();
        }
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept(); // a page never closes on Escape
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---- the placeholder ----

class PlaceholderPageWidget::NoPage final : public core::Page {
public:
    void readDevice() override {}
    void profileLoad(int /*selector*/) override {}
    core::WriteReport profileSave(int /*selector*/) override { return {}; }
    int mayLeave() override { return 1; }
    bool hasUnsentChanges() const override { return false; }
    void send() override {}
    void discard() override {}
};

PlaceholderPageWidget::PlaceholderPageWidget(core::CConfigApp& app, core::PageHost& host, int index,
                                             QWidget* parent)
    : PageWidget(app, host, index, SendButton::No, parent), page_(std::make_unique<NoPage>()) {
    title_ = new QLabel(content());
    title_->setObjectName(QStringLiteral("placeholderTitle"));
    title_->setFont(pixelFont(16, true));
    title_->setAlignment(Qt::AlignCenter);
    title_->setGeometry(20, 110, kPageWidth - 40, 30);
    notice_ = new QLabel(content());
    notice_->setObjectName(QStringLiteral("placeholderNotice"));
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    notice_->setGeometry(20, 150, kPageWidth - 40, 40);
    relabel(language());
}

PlaceholderPageWidget::~PlaceholderPageWidget() = default;

core::Page& PlaceholderPageWidget::logic() {
    return *page_;
}

QString PlaceholderPageWidget::notice(int language) {
    return language == 1 ? QStringLiteral("Diese Seite kommt in einer späteren Version dieses "
                                          "Programms.")
                         : QStringLiteral("This page comes in a later version of this program.");
}

void PlaceholderPageWidget::relabel(int language) {
    title_->setText(caption());
    notice_->setText(notice(language));
}

} // namespace quorvex::widgets
