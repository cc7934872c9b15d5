#pragma once
// The page contract. Every page of the program is a GUI-free class derived
// from Page (usually through PageBase) plus a thin widget that binds the
// controls and implements PageUi. The main window drives a page only
// through these operations; a page reaches back only through PageHost.

#include "core/page_items.h"
#include "core/profile_store.h"
#include "resources/menus.h"
#include "resources/pages_table.h"

#include <string>
#include <vector>

namespace quorvex::core {

class CConfigApp;

// Messages between the main window and the pages, numbered from the
// platform's first user message (user+0).
enum UserMessage : int {
    UM_READDEVICE = 4,
    UM_PAGEHIDDEN = 6,
    UM_PAGESHOWN = 7,
    UM_LANGUAGE = 8,
    UM_SYMBOLRELOAD = 10,
    UM_IDENTITY = 12,
    UM_PROFILELOAD = 14,
    UM_PROFILESAVE = 15,
    UM_PROGRESS = 16,
    UM_MODELCHANGED = 17,
    UM_PAUSEPOLL = 18,
    UM_FOLLOWPAGE = 21,
    UM_MAYLEAVE = 22,
    UM_SELCHANGED = 24,
    UM_NOTFOUND = 25,
    UM_MSNCHANGED = 26,
    UM_STATUSIDLE = 27,
};

// The answer of the unsent-changes question (CDiscardDlg): its buttons.
enum class DiscardAnswer {
    Send = 2154,    // "Send to R30 / R70"
    Discard = 1053, // "Discard Changes"
    Cancel = 1054,  // "Cancel"
};

// The user as a page meets him. Texts are named by their English string id;
// the implementation adds the language.
class PageUi {
public:
    virtual ~PageUi() = default;
    virtual void message(int textId) = 0;             // plain message box, OK
    virtual bool askYesNo(int textId) = 0;            // Yes = true
    virtual DiscardAnswer askSendDiscardCancel() = 0; // the unsent-changes question (text 6230)
    virtual void beep() = 0;                          // the system default beep
    virtual void setBusy(bool on) = 0;                // the wait cursor
    virtual void focus(int controlId) = 0;
    virtual void refresh() = 0; // controls := the page's edited values
    // A message box showing string textId followed by tail, e.g. 6294
    // "Please set MSN0 for port" with tail " 21".
    virtual void messageWithTail(int textId, const std::string& tail) = 0;
};

// The main window as a page meets it.
class PageHost {
public:
    virtual ~PageHost() = default;
    virtual void progress() = 0;               // UM_PROGRESS: one item sent during a profile load
    virtual void msnChanged() = 0;             // UM_MSNCHANGED
    virtual void postCommand(int command) = 0; // e.g. 5000 + k after leaving, 2153 quit
    // A write to the default profile outside a save failed (port names and
    // symbols after the MSN page's send): the main window tells the user.
    virtual void reportWriteFailures(const WriteReport& /*report*/) {}
    // The "Call back" button of the acceptance page: the data callback dialog
    // on the values the main window holds, without reading the device.
    virtual void openCallbackDialog() {}
};

class Page {
public:
    virtual ~Page() = default;

    virtual void readDevice() = 0;         // UM_READDEVICE
    virtual void shown() {}                // UM_PAGESHOWN
    virtual void hidden() {}               // UM_PAGEHIDDEN
    virtual void language(int /*lang*/) {} // UM_LANGUAGE
    // UM_PROFILELOAD: load the section from selector's profile and send it.
    virtual void profileLoad(int selector) = 0;
    // UM_PROFILESAVE: write the section; failed keys come back in the report.
    virtual WriteReport profileSave(int selector) = 0;
    virtual void pausePoll(bool /*pause*/) {} // UM_PAUSEPOLL
    // UM_MAYLEAVE: 1 when the page may be left (after sending or discarding
    // the user's changes), 0 when the user cancelled.
    virtual int mayLeave() = 0;

    // "SECTION/KEY" of every saved item whose value the device has not vouched
    // for in this run (a query failed): a save would write a stand-in default.
    virtual std::vector<std::string> unconfirmedItems() const { return {}; }
    // The device is taking new firmware and may come up with its factory
    // settings: every value the page holds as the device's becomes unknown
    // and waits to be sent (Item::forget), so that the next send or profile
    // load puts back every item, not only those that differ.
    virtual void forget() {}

    virtual bool hasUnsentChanges() const = 0;
    virtual void send() = 0;    // button 2154
    virtual void discard() = 0; // edited := confirmed

    // User events, for pages that have them.
    virtual void fieldChanged(int /*controlId*/) {}
    virtual void fieldLeft(int /*controlId*/) {}
    virtual void enterOrTab() {}  // commits the current field, moves on; never closes
    virtual void acceptField() {} // commit the current field before the page is left
    virtual void timerTick() {}
};

// The usual page: answers mayLeave with the shared question and beeps on send.
class PageBase : public Page {
public:
    PageBase(CConfigApp& app, PageUi& ui, PageHost& host) : app_(app), ui_(ui), host_(host) {}

    int mayLeave() override;

    // The Send button: a beep first when sound is on, then send().
    void sendButton();

    const SendReport& report() const { return report_; }

protected:
    CConfigApp& app_;
    PageUi& ui_;
    PageHost& host_;
    SendReport report_;
};

// Routes a numbered message to a page (for widgets that receive them as
// events); returns the message's result (UM_MAYLEAVE: 0/1), else 0.
int dispatch(Page& page, UserMessage message, int wParam);

} // namespace quorvex::core
