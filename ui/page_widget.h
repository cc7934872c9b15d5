#pragma once
// The frame every page widget shares: a 620-pixel-wide page with the strip of
// ten page buttons along the top (the page's own tab in front), a content area
// the page fills with its controls, the "Send to R30 / R70" button centred
// 10 px above the bottom edge (pages that send), and the small help button at
// the bottom right. It implements PageUi for the page's logic object, relabels
// the frame on a language switch, routes the strip's clicks through the
// logic's may-leave to the main window, and turns Enter and Tab into the
// page's "commit and move on" (a page never closes on Enter): the logic
// commits the field, and the focus moves to the next control in the page's
// reading order (setReadingOrder), unless the logic kept it on a field it
// rejected.
//
// A page widget derives from PageWidget, owns its logic object, builds its
// controls on content() (objectName = the control's identifier) and
// implements logic(), refreshControls() and relabel(). See docs/desktop-program.md.

#include "core/page.h"

#include "ui/qt_ui.h"
#include "ui/text_room.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace quorvex::core {
class CConfigApp;
}

namespace quorvex::widgets {

class PageButtonStrip;

class PageWidget : public QWidget, public core::PageUi {
    Q_OBJECT
public:
    static constexpr int kPageWidth = 620;
    static constexpr int kDefaultHeight = 420;
    static constexpr int kSendWidth = 150;
    static constexpr int kSendHeight = 23;
    static constexpr int kSendBottomGap = 10; // from the button's bottom to the page's
    static constexpr int kHelpSize = 15;      // 8-23 px from the right, 6-21 px from the bottom

    enum class SendButton { No, Yes };

    // index: the page's index 0..9 (its tab, title and help texts).
    PageWidget(core::CConfigApp& app, core::PageHost& host, int index, SendButton send,
               QWidget* parent = nullptr);
    ~PageWidget() override;

    int pageIndex() const { return index_; }
    int language() const { return language_; }
    core::CConfigApp& configApp() const { return app_; }
    core::PageHost& host() const { return host_; }

    // The logic object the widget owns.
    virtual core::Page& logic() = 0;

    // The area between the strip and the bottom band; the page places its
    // controls there (coordinates relative to it).
    QWidget* content() const { return content_; }
    // The page's total height (the strip and the bottom band included), as
    // its template has it.
    void setPageHeight(int height);

    // The page's size with room for every text in both languages: the
    // template's size, grown where a text needs more (ui/text_room.h). The
    // room is made the first time it is asked for. A page may be shown larger
    // (the main window gives every page the largest one's size): the content
    // then stands centred, the Send button at the bottom.
    QSize naturalSize();
    // What the texts were given to show whole (the controls' identifiers, texts, extra room).
    const std::vector<RoomGiven>& roomGiven() const { return roomGiven_; }

    PageButtonStrip* strip() const { return strip_; }
    QPushButton* sendButton() const { return send_; }
    QToolButton* helpButton() const { return help_; }

    // The page's caption in the current language (string title + language).
    QString caption() const;

    // UM_LANGUAGE: the frame's texts, then relabel(language) for the page's own.
    void applyLanguage(int language);

    // A click on tab 5000 + k or a "Command" item reaching the page: the page's own
    // command does nothing; otherwise may-leave, accept the field, post it on.
    void leaveTo(int command);

    // The control with objectName = id (a descendant), or nullptr.
    QWidget* control(int id) const;

    // The name the help button gives assistive technology ("Help").
    static QString helpName(int language);

    // ---- PageUi ----
    void message(int textId) override;
    bool askYesNo(int textId) override;
    core::DiscardAnswer askSendDiscardCancel() override;
    void beep() override;
    void setBusy(bool on) override;
    void focus(int controlId) override;
    void refresh() override;
    void messageWithTail(int textId, const std::string& tail) override;

    // Whether a refresh is filling the controls now (signals are blocked too;
    // slots reached anyway must not feed the values back into the logic).
    bool filling() const { return filling_ > 0; }

signals:
    // The caption changed (language switch); the main window shows it.
    void captionChanged(const QString& caption);

protected:
    // controls := the logic's edited values. Called with the controls' signals blocked.
    virtual void refreshControls() = 0;
    // The page's own texts in language (the frame's are done already).
    virtual void relabel(int language) = 0;
    // Enter or Tab in control focusedId: commit the field. The default commits
    // through logic().enterOrTab(). Returns false to keep the focus where it is
    // (the field was rejected); a focus request of the logic for the control
    // that has the focus keeps it too. Otherwise the focus moves on.
    virtual bool enterOrTab(int focusedId);
    // Whether the logic asked for the focus while the field was committed.
    bool focusRequested() const { return requested_ != 0; }

    // The page's controls in reading order, the order of Tab and of Enter:
    // after the page's own tab, before the Send and help buttons.
    void setReadingOrder(const std::vector<QWidget*>& controls);
    // Send button: logic's Send (beep when sound is on, then send()).
    virtual void sendClicked();

    // The identifier of the control that has the focus (0: none of the page's).
    int focusedControlId() const;

    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void showEvent(QShowEvent* event) override;

private:
    void placeBottomBand();
    void fitTexts();
    void showHelp();
    void commitAndMoveOn();

    core::CConfigApp& app_;
    core::PageHost& host_;
    int index_;
    int language_;
    PageButtonStrip* strip_ = nullptr;
    QWidget* content_ = nullptr;
    QPushButton* send_ = nullptr;
    QToolButton* help_ = nullptr;
    QSize template_;    // the size the page's template gives it
    QSize contentSize_; // what its content needs, room for the texts included
    int sendWidth_ = kSendWidth;
    int sendHeight_ = kSendHeight;
    bool fitted_ = false; // room has been made
    std::vector<RoomGiven> roomGiven_;
    BusyCursorDepth busy_;
    int filling_ = 0;
    bool committing_ = false; // focus requests are noted, not carried out
    int requested_ = 0;
};

// For pages whose widget is not written yet: the page's title and a notice in
// the current language. It reads nothing, sends nothing and may always be left.
class PlaceholderPageWidget final : public PageWidget {
    Q_OBJECT
public:
    PlaceholderPageWidget(core::CConfigApp& app, core::PageHost& host, int index,
                          QWidget* parent = nullptr);
    ~PlaceholderPageWidget() override;

    core::Page& logic() override;

    static QString notice(int language);

protected:
    void refreshControls() override {}
    void relabel(int language) override;

private:
    class NoPage;
    std::unique_ptr<NoPage> page_;
    QLabel* title_ = nullptr;
    QLabel* notice_ = nullptr;
};

} // namespace quorvex::widgets
