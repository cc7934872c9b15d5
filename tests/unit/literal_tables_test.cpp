// Fixed selector, combo and report texts: exact entries and clamping of any index.

#include "resources/literal_tables.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string_view>

namespace {

using namespace quorvex::literals;
using Accessor = std::function<std::string_view(int, int)>;

struct Case {
    const char* name;
    Accessor accessor;
    int count;
    std::string_view firstEnglish;
    std::string_view firstGerman;
    std::string_view lastEnglish;
    std::string_view lastGerman;
};

class LiteralTables : public testing::TestWithParam<Case> {};

TEST_P(LiteralTables, EntriesAndClamping) {
    const Case& c = GetParam();
    EXPECT_EQ(c.accessor(0, 0), c.firstEnglish);
    EXPECT_EQ(c.accessor(0, 1), c.firstGerman);
    EXPECT_EQ(c.accessor(c.count - 1, 0), c.lastEnglish);
    EXPECT_EQ(c.accessor(c.count - 1, 1), c.lastGerman);
    for (int bad : {-1, c.count, c.count + 1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(c.accessor(bad, 0), c.firstEnglish) << bad;
        EXPECT_EQ(c.accessor(bad, 1), c.firstGerman) << bad;
    }
    for (int i = 0; i < c.count; ++i) {
        EXPECT_FALSE(c.accessor(i, 0).empty());
        EXPECT_FALSE(c.accessor(i, 1).empty());
        EXPECT_EQ(c.accessor(i, 5), c.accessor(i, 0)) << "unknown language reads English";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Literals, LiteralTables,
    testing::Values(Case{"acceptance", acceptanceModeText, kAcceptanceModeCount, "None", "Keine",
                         "all Calls", "alle"},
                    Case{"callerIdLong", callerIdLongText, kCallerIdCount,
                         "No Caller ID presentation", "keine Rufunummer an Gegenstelle",
                         "(DTMF)Send Phone Number", "(DTMF)Rufnummer an Gegenstelle"},
                    Case{"callerIdShort", callerIdShortText, kCallerIdCount, "No Caller ID.....",
                         "keine Ruf.....", "(DTMF)Se.....", "(DTMF)Ruf....."},
                    Case{"ringDelay", ringDelayText, kRingDelayCount, "0 ring", "0 x klingeln",
                         "9 ring", "9 x klingeln"},
                    Case{"protocol", protocolText, kProtocolCount, "PPP(point-to-point protocol)",
                         "PPP (point-to-point protocol)", "SoftFax/Digital Answering Machine",
                         "SoftFax/Anrufbeantworter"},
                    Case{"eidClass", eidClassText, kEidClassCount, "NULL", "NULL",
                         "Number of The TA", "Nummer der Telefonanlage"}),
    [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

TEST(Literals, MiddleEntriesKeepTheirWording) {
    EXPECT_EQ(acceptanceModeText(1, 0), "these MSNs");
    EXPECT_EQ(acceptanceModeText(1, 1), "nur diese");
    EXPECT_EQ(callerIdLongText(1, 1), "(FSK)Rufnummer an Gengenstelle");
    EXPECT_EQ(ringDelayText(4, 0), "4 ring");
    EXPECT_EQ(ringDelayText(4, 1), "4 x klingeln");
    EXPECT_EQ(protocolText(3, 0), "X.75(BTX/T-OnLine)");
    EXPECT_EQ(protocolText(3, 1), "X.75(BTX/T-Online)");
    EXPECT_EQ(protocolText(5, 1), "X.75 mit T.70 NL");
    EXPECT_EQ(eidClassText(3, 0), "IEEE802.1 global MAC address");
    EXPECT_EQ(eidClassText(3, 1), "IEEE 802.1 global zugewiesene MAC Adresse");
}

TEST(Literals, ForwardReports) {
    EXPECT_EQ(forwardReportMessage(ForwardKind::Immediate, ForwardReport::NotSubscribed, 11),
              "CFU for Port 11 is not subscribe");
    EXPECT_EQ(forwardReportMessage(ForwardKind::Busy, ForwardReport::NotSubscribed, 21),
              "CFB for port 21 is not subscribe");
    EXPECT_EQ(forwardReportMessage(ForwardKind::NoReply, ForwardReport::NotSubscribed, 32),
              "CFNR for port 32 is not subscribe");
    EXPECT_EQ(forwardReportMessage(ForwardKind::Immediate, ForwardReport::Unknown, 22),
              "CFU for Port 22 is unknown");
    EXPECT_EQ(forwardReportMessage(ForwardKind::Busy, ForwardReport::Unknown, 31),
              "CFB for Port 31 is unknown");
    EXPECT_EQ(forwardReportMessage(ForwardKind::NoReply, ForwardReport::Unknown, 11),
              "CFNR for Port 11 is unknown");
    EXPECT_EQ(forwardReportFormat(-1, 0), "CFU for Port %d is not subscribe");
    EXPECT_EQ(forwardReportFormat(3, 7), "CFU for Port %d is not subscribe");
    EXPECT_EQ(forwardReportFormat(2, -4), "CFNR for port %d is not subscribe");
    EXPECT_EQ(forwardReportMessage(static_cast<ForwardKind>(9), static_cast<ForwardReport>(-2), 21),
              "CFU for Port 21 is not subscribe");
}

} // namespace
