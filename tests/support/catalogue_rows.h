// Every catalogue command with a value to set and the check of its query,
// shared by the driver's tests against the simulator (Linux and Windows).
#ifndef TESTS_SUPPORT_CATALOGUE_ROWS_H
#define TESTS_SUPPORT_CATALOGUE_ROWS_H

#include "driver/api/r70com32.h"

#include <cstring>
#include <functional>
#include <vector>

namespace testsupport {

// One catalogue item: how to fill a set, and how to check a query's record.
struct Item {
    int code;
    std::function<void(DRVPARAM&)> set;
    std::function<bool(const DRVPARAM&)> check;
};

inline void text(DRVPARAM& p, const char* s) {
    std::strncpy(p.szText, s, sizeof p.szText - 1);
}
inline bool textIs(const DRVPARAM& p, const char* s) {
    return std::strcmp(p.szText, s) == 0;
}

inline Item flagItem(int code) {
    return {code, [](DRVPARAM& p) { p.bFlag = 1; }, [](const DRVPARAM& p) { return p.bFlag == 1; }};
}
inline Item flagOffItem(int code) {
    return {code, [](DRVPARAM& p) { p.bFlag = 0; }, [](const DRVPARAM& p) { return p.bFlag == 0; }};
}
inline Item valueItem(int code, int v) {
    return {code, [v](DRVPARAM& p) { p.nValue = v; },
            [v](const DRVPARAM& p) { return p.nValue == v; }};
}
inline Item textItem(int code, const char* s) {
    return {code, [s](DRVPARAM& p) { text(p, s); },
            [s](const DRVPARAM& p) { return textIs(p, s); }};
}

constexpr int kAnalog = -1;

// Every catalogue command, with the ports (or selectors) and entries it takes.
struct Row {
    Item item;
    std::vector<int> ports; // kAnalog = every analog port of the model
    int entries;
};

inline std::vector<Row> catalogue() {
    const std::vector<int> analog{kAnalog};
    const std::vector<int> analogAndData{kAnalog, 0};
    return {
        {textItem(DRV_MSN, "0301234567"), analog, 3},
        {textItem(DRV_MSN, "4719"), {0}, 5},
        {flagOffItem(DRV_CLIP), analogAndData, 1},
        {flagItem(DRV_PORTTIMER), analog, 1},
        {flagItem(DRV_CALLWAIT), analog, 1},
        {flagOffItem(DRV_VOLUME), analog, 1},
        {valueItem(DRV_RINGDELAY, 7), analog, 1},
        {valueItem(DRV_CALLERID, 2), analog, 1},
        {valueItem(DRV_ACCEPT, 1), {kAnalog, 0, 3}, 1},
        {flagItem(DRV_SPECIALRING), analog, 1},
        {textItem(DRV_SHORTDIAL, "*21"), analog, 10},
        {flagItem(DRV_FILTER), analogAndData, 1},
        {textItem(DRV_FILTERNUM, "0401234"), analogAndData, 10},
        {flagItem(DRV_LCR), {0}, 1},
        {{DRV_LCRTIME, [](DRVPARAM& p) { p.nFrom = 8, p.nTo = 18; },
          [](const DRVPARAM& p) { return p.nFrom == 8 && p.nTo == 18; }},
         {0, 1},
         6},
        {{DRV_LCRPREFIX, [](DRVPARAM& p) { std::strcpy(p.szText3, "01070"); },
          [](const DRVPARAM& p) { return std::strcmp(p.szText3, "01070") == 0; }},
         {0, 1},
         6},
        {flagItem(DRV_LCRLOCAL), {0, 1}, 6},
        {flagItem(DRV_LCRACTIVE), {0, 1}, 6},
        {{DRV_LCRRANGE, [](DRVPARAM& p) { text(p, "0180"), std::strcpy(p.szText2, "0190"); },
          [](const DRVPARAM& p) { return textIs(p, "0180") && !std::strcmp(p.szText2, "0190"); }},
         {0, 1},
         8},
        {flagItem(DRV_LCRRANGEACTIVE), {0, 1}, 8},
        {flagOffItem(DRV_LCDGERMAN), {0}, 1},
        {textItem(DRV_CHGUNIT, "0,121"), {0}, 1},
        {textItem(DRV_AREACODE, "089"), {0}, 1},
        {textItem(DRV_PABXPREFIX, "0"), {0}, 1},
        {textItem(DRV_INTLPREFIX, "001"), {0}, 1},
        {flagItem(DRV_CALLBACK), {0}, 1},
        {textItem(DRV_CALLBACKNUM, "0301111"), {0}, 10},
        {{DRV_EID, [](DRVPARAM& p) { p.nIndex = 3; },
          [](const DRVPARAM& p) { return p.nIndex == 3; }},
         {11},
         1},
        {{DRV_EID, [](DRVPARAM& p) { std::strcpy(drv_eid_text(&p), "12345678"); },
          [](const DRVPARAM& p) { return std::strcmp(p.szText + 4, "12345678") == 0; }},
         {12},
         1},
        {{DRV_BODREG, [](DRVPARAM& p) { p.nIndex = 64; },
          [](const DRVPARAM& p) { return p.nIndex == 64; }},
         {7, 8, 9, 10},
         1},
    };
}

// EID and BOD keep the register in nPort and the value in nIndex.
inline bool valueInIndex(int code) {
    return code == DRV_EID || code == DRV_BODREG;
}

} // namespace testsupport

#endif
