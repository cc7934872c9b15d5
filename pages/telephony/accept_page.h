#pragma once
// The call acceptance page without its widget: per analog port the
// acceptance mode, caller-ID presentation, ring delay, call waiting and lower
// ringing volume, plus the data port's two acceptance modes. Every value is
// kept as the device holds it (confirmed) and as the controls show it
// (edited). The page reads the device itself; the MSNs and port names it
// shows come from the device-state cache.

#include "core/page.h"
#include "profile/sections.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::telephony {

// Control ids of the page.
inline constexpr int kAcceptModeControl = 2413;     // 2413..2417 acceptance mode of port p
inline constexpr int kDataModeControl = 2418;       // data port acceptance mode (MSN 1-3)
inline constexpr int kSoftFaxModeControl = 2419;    // SoftFax / answering machine (MSN 4, 5)
inline constexpr int kCallWaitingControl = 2420;    // 2420..2424 check boxes
inline constexpr int kLowerVolumeControl = 2425;    // 2425..2429 check boxes
inline constexpr int kCallerIdControl = 2430;       // 2430..2434
inline constexpr int kRingDelayControl = 2435;      // 2435..2439
inline constexpr int kMsnListControl = 2406;        // 2406..2410 the three MSNs of port p
inline constexpr int kDataMsnListControl = 2411;    // data MSNs 1 to 3
inline constexpr int kSoftFaxMsnListControl = 2412; // data MSNs 4 and 5
inline constexpr int kCallBackButton = 1052;
inline constexpr int kAcceptHelpText = 7002;
inline constexpr int kAcceptTitleText = 8502;

// The kinds of CDropList, with their item counts 3, 3 and 10.
enum class SelectorKind { CallerId = 0, AcceptanceMode = 1, RingDelay = 2, None = -1 };
SelectorKind selectorKindOf(int controlId);
int selectorItemCount(SelectorKind kind);
// The face text (short caller-ID form) or the menu text of a selector entry.
std::string_view selectorText(SelectorKind kind, int index, int language, bool face);

class AcceptPage final : public core::PageBase {
public:
    // portCount 3 (R30) or 5; by default from the model the pages are built for.
    AcceptPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);
    AcceptPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int portCount);

    int portCount() const { return portCount_; }

    // Page contract.
    void readDevice() override; // UM_READDEVICE
    void shown() override;      // UM_PAGESHOWN: MSNs and names from the cache, focus 2420
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override; // the changed items only
    void discard() override;

    // ---- what the widget binds ----
    // The edited value behind a selector (2413-2419, 2430-2439) or a check box
    // (2420-2429, 0/1); -1 for a control this model does not have.
    int value(int controlId) const;
    int confirmedValue(int controlId) const;
    // UM_SELCHANGED: the selector's choice becomes the edited value at once.
    // An index outside the selector's range is clamped. False for a control
    // that is not a selector of this model.
    bool selectionChanged(int controlId, int index);
    // BN_CLICKED on 2420-2429: toggles call waiting or lower volume.
    bool toggle(int controlId);
    // The texts of list boxes 2406-2412 (copied from the cache at read, show and load).
    std::vector<std::string> listBoxItems(int controlId) const;
    // The name painted over column 0-4 (analog port p) or 5 (data port): the
    // cached name, or the port's number in double quotes when it has none.
    std::string portName(int column) const;

    // Button 1052: beep when sound is on, then open the data callback dialog
    void callBackButton();

private:
    void buildItems();
    // The item behind a control, nullptr for a control this model does not have.
    core::Item<int>* itemOf(int controlId);
    const core::Item<int>* itemOf(int controlId) const;
    const core::ItemSpec* specOf(int controlId) const;
    void sendChanged(bool progress);
    void copyFromCache();

    int portCount_;
    // In read and send order: the data port's two modes, then port by port.
    std::vector<core::Item<int>> values_;
    std::vector<int> controls_; // the control of values_[i]
    core::ItemTable items_;
    std::array<std::array<std::string, 3>, 5> msns_{};
    std::array<std::string, 5> dataMsns_{};
    std::array<std::string, 6> names_{};
};

} // namespace quorvex::telephony
