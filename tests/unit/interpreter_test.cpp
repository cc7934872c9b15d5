// The simulated device's AT interpreter, command text in, reply bytes out.
#include "sim/interpreter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace quorvex::sim;

// One catalogue command family: its address with {p} (analog port), {i} (entry)
// or {d}{r} (LCR day type and row), how many entries or rows, and a value to set.
struct Form {
    const char* address;
    int count;
    const char* value;
};

const Form kForms[] = {
    {"!P0#{p}*{i}", 3, "0301234567"},
    {"!N{i}", 5, "4719"},
    {"!P17#{p}", 1, "0"},
    {"%A5", 1, "0"},
    {"!P19#{p}", 1, "1"},
    {"!P18#{p}", 1, "07:30"},
    {"!P2#{p}", 1, "0"},
    {"!P8#{p}", 1, "0"},
    {"!P9#{p}", 1, "7"},
    {"!P6#{p}", 1, "2"},
    {"!P1#{p}", 1, "0"},
    {"!V0", 1, "1"},
    {"!V3", 1, "0"},
    {"!P11#{p}", 1, "1"},
    {"!P10#{p}*{i}", 10, "*21"},
    {"!P13#{p}", 1, "1"},
    {"\\E", 1, "1"},
    {"!P12#{p}*{i}", 10, "0301234"},
    {"\\F{i}", 10, "0401234"},
    {"&P", 1, "1"},
    {"\\D{d}{r}", 6, "08-18"},
    {"\\P{d}{r}", 6, "01070"},
    {"&L{d}{r}", 6, "1"},
    {"&R{d}{r}", 6, "1"},
    {"\\N{d}{r}", 8, "0180-0190"},
    {"&N{d}{r}", 8, "1"},
    {"S91", 1, "0"},
    {"S95", 1, "0,121"},
    {"S76", 1, "089"},
    {"S78", 1, "0"},
    {"S75", 1, "001"},
    {"\\A", 1, "1"},
    {"\\B{i}", 10, "0301111"},
    {"%A2", 1, "92"},
    {"%A0", 1, "0"},
    {"%P0", 1, "1"},
    {"%X1", 1, "1"},
    {"%P1", 1, "1"},
    {"%P6", 1, "1"},
    {"%E9", 1, "0"},
    {"%E0", 1, "512"},
    {"%X0", 1, "128"},
    {"!H0", 1, "1024"},
    {"%P3", 1, "3"},
    {"%P4", 1, "12345678901234567890"},
    {"%P7", 1, "64"},
    {"%P8", 1, "2"},
    {"%P9", 1, "32"},
    {"%P10", 1, "3"},
};

std::string replace(std::string s, const std::string& what, const std::string& with) {
    auto pos = s.find(what);
    if (pos != std::string::npos) s.replace(pos, what.size(), with);
    return s;
}

// Every address a form names on a set of ports.
std::vector<std::string> expand(const Form& f, const std::vector<int>& ports) {
    std::vector<std::string> out;
    std::string a = f.address;
    std::vector<std::string> withPorts;
    if (a.find("{p}") != std::string::npos) {
        for (int p : ports)
            withPorts.push_back(replace(a, "{p}", std::to_string(p)));
    } else {
        withPorts.push_back(a);
    }
    for (const std::string& w : withPorts) {
        if (w.find("{i}") != std::string::npos) {
            for (int i = 0; i < f.count; ++i)
                out.push_back(replace(w, "{i}", std::to_string(i)));
        } else if (w.find("{d}") != std::string::npos) {
            for (int d = 0; d < 2; ++d)
                for (int r = 0; r < f.count; ++r)
                    out.push_back(
                        replace(replace(w, "{d}", std::to_string(d)), "{r}", std::to_string(r)));
        } else {
            out.push_back(w);
        }
    }
    return out;
}

std::string value(std::string_view v) {
    return "\r\n" + std::string(v) + "\r\nOK\r\n";
}

struct Fixture {
    explicit Fixture(Model m)
        : state(freshState(m)), interp(state, [] { return int64_t{983955900}; }) {}
    std::string ask(const std::string& cmd) { return interp.handle(cmd).text(); }
    DeviceState state;
    Interpreter interp;
};

class EveryModel : public ::testing::TestWithParam<Model> {};

TEST_P(EveryModel, EveryCatalogueFormSetsQueriesAndClears) {
    Fixture f(GetParam());
    std::vector<int> ports(analogPorts(GetParam()).begin(), analogPorts(GetParam()).end());
    int checked = 0;
    for (const Form& form : kForms) {
        for (const std::string& addr : expand(form, ports)) {
            SCOPED_TRACE(addr);
            EXPECT_EQ(f.ask("AT" + addr + "=" + form.value), kOk);
            EXPECT_EQ(f.ask("AT" + addr + "?"), value(form.value));
            EXPECT_EQ(f.ask("AT" + addr + "="), kOk);
            EXPECT_EQ(f.ask("AT" + addr + "?"), value(""));
            ++checked;
        }
    }
    EXPECT_GT(checked, 200);
}

TEST_P(EveryModel, PortsBeyondTheModelAnswerError) {
    Fixture f(GetParam());
    const bool fivePorts = GetParam() != Model::R30;
    for (const Form& form : kForms) {
        if (std::string(form.address).find("{p}") == std::string::npos) continue;
        for (const std::string& addr : expand(form, {31, 32, 12, 40})) {
            SCOPED_TRACE(addr);
            const bool exists = fivePorts && (addr.find("31") != std::string::npos ||
                                              addr.find("32") != std::string::npos);
            if (exists) continue;
            EXPECT_EQ(f.ask("AT" + addr + "?"), kError);
            EXPECT_EQ(f.ask("AT" + addr + "=" + form.value), kError);
            EXPECT_EQ(f.ask("AT" + addr + "="), kError);
        }
    }
    for (const char* cmd :
         {"AT!P3#31*0?", "AT!P23#32*3", "AT!P5#31", "AT!P20#31?", "AT!P24#32=0301234"}) {
        if (fivePorts) {
            EXPECT_NE(f.ask(cmd), kError) << cmd;
        } else {
            EXPECT_EQ(f.ask(cmd), kError) << cmd;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sim, EveryModel, ::testing::Values(Model::R30, Model::R70, Model::R70Usb));

TEST(SimInterpreter, RefusesValuesTheRegisterDoesNotTake) {
    Fixture f(Model::R70);
    const char* bad[] = {"AT!P9#11=12",     "AT!P6#11=3",     "AT!P17#11=2",
                         "AT%A2=7",         "AT\\D01=25-30",  "AT\\D01=8-18",
                         "AT!P18#11=24:00", "AT!P18#11=7:30", "AT\\N00=01a0",
                         "AT%P3=6",         "AT!P0#11*3=123", "AT!N5=1",
                         "AT\\D06=08-18",   "AT\\N08=0180",   "AT!T=32/01/2001 00:00:00",
                         "ATX99",           "AT!P0#11*0",     "hello"};
    for (const char* cmd : bad)
        EXPECT_EQ(f.ask(cmd), kError) << cmd;
    EXPECT_EQ(f.ask("AT!P9#11?"), value("0"));
    for (const char* code : {"95", "2", "1", "5", "3", "4", "92", "90"})
        EXPECT_EQ(f.ask(std::string("AT%A2=") + code), kOk) << code;
}

TEST(SimInterpreter, IdentityReplies) {
    struct Row {
        Model model;
        const char* must;
        const char* mustNot;
    };
    for (Row r : {Row{Model::R30, "613", "633"}, Row{Model::R70, "633", "USB"},
                  Row{Model::R70Usb, "633", nullptr}}) {
        Fixture f(r.model);
        std::string i4 = f.ask("ATI4");
        EXPECT_NE(i4.find(r.must), std::string::npos) << i4;
        if (r.mustNot) {
            EXPECT_EQ(i4.find(r.mustNot), std::string::npos) << i4;
        }
        if (r.model == Model::R70Usb) {
            EXPECT_NE(i4.find("USB"), std::string::npos);
        }
        std::string i3 = f.ask("ATI3");
        ASSERT_TRUE(i3.starts_with("\r\n"));
        EXPECT_EQ(i3.substr(2, i3.find("\r\n", 2) - 2), f.state.firmware);
        auto code = i3.find("CODE");
        ASSERT_NE(code, std::string::npos);
        EXPECT_EQ(i3.substr(code + 5, i3.find("\r\n", code) - code - 5), "V1.03");
        EXPECT_NE(i3.find("OK"), std::string::npos);
    }
    Fixture f(Model::R70);
    for (const char* cmd : {"ATE0", "ATV1", "AT", "at"})
        EXPECT_EQ(f.ask(cmd), kOk) << cmd;
}

TEST(SimInterpreter, CallCheckHasNoZeroWhileACallRuns) {
    Fixture f(Model::R70);
    EXPECT_NE(f.ask("ATC?").find('0'), std::string::npos);
    f.state.callInProgress = true;
    std::string busy = f.ask("ATC?");
    EXPECT_EQ(busy.find('0'), std::string::npos) << busy;
    EXPECT_NE(busy.find("OK"), std::string::npos);
}

TEST(SimInterpreter, ForwardingAnswersStatusDigitsAndTargetAtTheSeventhCharacter) {
    Fixture f(Model::R70);
    for (int reg : kForwardRegisters) {
        const std::string base = "AT!P" + std::to_string(reg) + "#21";
        EXPECT_EQ(f.ask(base + "?"), value("0"));
        EXPECT_EQ(f.ask(base + "*1=0301234"), value("1"));
        std::string q = f.ask(base + "?");
        ASSERT_EQ(q[2], '1');
        EXPECT_EQ(q.substr(8, q.find("\r\n", 2) - 8), "0301234");
        EXPECT_EQ(f.ask(base + "*0"), value("0"));
        EXPECT_EQ(f.ask(base + "?"), value("0"));
    }
    f.interp.setForwardingStatus(22, 21, 2);
    EXPECT_EQ(f.ask("AT!P21#22*1=*11"), value("2"));
    EXPECT_EQ(f.ask("AT!P21#22?"), value("0"));
    EXPECT_EQ(f.ask("AT!P20#22*1=*11"), value("1"));
}

TEST(SimInterpreter, CallListHeadingsSitAtTheParserOffsets) {
    Fixture f(Model::R70);
    std::string out = f.ask("AT!P3#11*0?");
    auto c = out.find("Charge Amount");
    ASSERT_NE(c, std::string::npos);
    EXPECT_EQ(out.substr(c + 16, 23), "07/03/01 09:05 03012345");
    for (const char* cmd : {"AT!P3#11*1?", "AT!P3#11*2?", "AT\\H1?"}) {
        std::string r = f.ask(cmd);
        auto d = r.find("Disc Cause");
        ASSERT_NE(d, std::string::npos) << cmd;
        EXPECT_NE(r[d + 12], '\r') << cmd;
        EXPECT_TRUE(r.ends_with("\r\n\r\nOK\r\n")) << cmd;
    }
    // An empty list: the heading is followed by the empty line.
    std::string empty = f.ask("AT!P3#22*0?");
    EXPECT_EQ(empty[empty.find("Charge Amount") + 16], '\r');
    EXPECT_EQ(f.ask("AT!P3#11*3?"), kError);
}

TEST(SimInterpreter, DialAnswersTwiceAndCountsTheCall) {
    Fixture f(Model::R70);
    f.state.callLists.clear();
    f.state.charges.clear();
    f.state.totalMills = 0;
    Outcome o = f.interp.handle("AT!P24#22=0301234567");
    ASSERT_EQ(o.parts.size(), 2u);
    EXPECT_EQ(o.parts[0].delay.count(), 0);
    EXPECT_GT(o.parts[1].delay.count(), 30);
    EXPECT_LT(o.parts[1].delay.count(), 1000);
    EXPECT_EQ(o.parts[1].bytes, kOk);
    EXPECT_EQ(f.ask("AT!P3#22*0?"), "\r\nDate     Time  Number        Status Charge Amount \r\n"
                                    "07/03/01 09:05 0301234567 OK 0,360 DM\r\n\r\nOK\r\n");
    EXPECT_EQ(f.state.charges[22].lastMills, 360);
    EXPECT_EQ(f.ask("AT!P27?"), value("0,360 DM"));
    for (int i = 0; i < 12; ++i)
        f.ask("AT!P24#22=4711");
    EXPECT_EQ(f.state.callLists[22][kOutgoing].size(), kMaxListEntries);
    EXPECT_EQ(f.state.callLists[22][kOutgoing].front().number, "4711");
}

TEST(SimInterpreter, ChargeRepliesCarryEveryPortLabel) {
    for (Model m : {Model::R30, Model::R70}) {
        Fixture f(m);
        for (const char* cmd : {"AT\\X1?", "AT\\X2?", "AT\\X3?"}) {
            std::string r = f.ask(cmd);
            auto c = r.find("Charge:");
            ASSERT_NE(c, std::string::npos);
            EXPECT_EQ(r.substr(c + 9, 5), "P11: ") << cmd;
            for (const char* label : {"P21: ", "P22: ", "ATA: "})
                EXPECT_NE(r.find(label), std::string::npos) << label;
            EXPECT_EQ(r.find("P31: ") != std::string::npos, m != Model::R30);
        }
        EXPECT_NE(f.ask("AT\\X2?").find("P11: 2,400 DM\r\n"), std::string::npos);
    }
}

TEST(SimInterpreter, ClearingListsAndCounters) {
    Fixture f(Model::R70);
    EXPECT_EQ(f.ask("AT!P23#11*1"), kOk);
    EXPECT_TRUE(f.state.callLists[11][kIncoming].empty());
    EXPECT_FALSE(f.state.callLists[11][kOutgoing].empty());
    EXPECT_EQ(f.ask("AT!P23#11*3"), kOk);
    EXPECT_TRUE(f.state.callLists[11][kOutgoing].empty());
    EXPECT_TRUE(f.state.callLists[11][kNotAnswered].empty());
    EXPECT_EQ(f.ask("AT\\H3="), kOk);
    EXPECT_TRUE(f.state.callLists[kDataPort][kOutgoing].empty());
    EXPECT_EQ(f.ask("AT!P5#11"), kOk);
    EXPECT_EQ(f.state.charges[11].sumMills, 0);
    EXPECT_EQ(f.state.charges[21].sumMills, 480);
    EXPECT_EQ(f.ask("AT\\Y"), kOk);
    EXPECT_EQ(f.state.charges[kDataPort].sumMills, 0);
    EXPECT_EQ(f.ask("AT!P28"), kOk);
    EXPECT_EQ(f.ask("AT!P27?"), value("0,000 DM"));
}

TEST(SimInterpreter, LineStateGroupsOfEighteen) {
    Fixture f(Model::R70);
    f.state.lineFlags = {true, false, true, false, true};
    std::string r = f.ask("AT!P14#0?");
    std::string v = r.substr(2);
    ASSERT_GE(v.size(), 90u);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(v[15 + 18 * k], f.state.lineFlags[k] ? '1' : '0') << k;
        EXPECT_EQ(v.substr(16 + 18 * k, 2), "\r\n") << k;
    }
    EXPECT_NE(r.find("OK"), std::string::npos);
}

TEST(SimInterpreter, ClockUnsetThenSetAndRunning) {
    int64_t host = 1'000'000'000;
    DeviceState s = freshState(Model::R70);
    Interpreter in(s, [&] { return host; });
    EXPECT_EQ(in.handle("AT!T?").text(), value("--/--/---- --:--:--"));
    EXPECT_EQ(in.handle("AT!T=07/03/2001 09:05:00").text(), kOk);
    EXPECT_EQ(in.handle("AT!T?").text(), value("07/03/2001 09:05:00"));
    host += 65;
    EXPECT_EQ(in.handle("AT!T?").text(), value("07/03/2001 09:06:05"));
    EXPECT_EQ(in.handle("AT!T=29/02/2001 00:00:00").text(), kError);
}

TEST(SimInterpreter, StatusTextsEndAtABackspace) {
    Fixture f(Model::R70);
    for (const char* cmd : {"AT\\S0?", "AT\\S1?"}) {
        std::string r = f.ask(cmd);
        auto bs = r.find('\b');
        ASSERT_NE(bs, std::string::npos) << cmd;
        EXPECT_GT(bs, 2u);
        EXPECT_LT(r.size(), 300u);
    }
    f.ask("ATS95=0,150");
    std::string changed = f.ask("AT\\S1?");
    EXPECT_EQ(changed.substr(2, changed.find('\b') - 2), "S95=0,150");
}

TEST(SimInterpreter, StoreCallsPersistAndReportsItsFailure) {
    Fixture f(Model::R70);
    int calls = 0;
    f.interp.setPersist([&](const DeviceState&) { return ++calls == 1; });
    EXPECT_EQ(f.ask("AT&W"), kOk);
    EXPECT_EQ(f.ask("AT&W"), kError);
    EXPECT_EQ(calls, 2);
    Outcome dl = f.interp.handle("AT!DOWNLOAD");
    EXPECT_EQ(dl.action, Action::EnterLoader);
    EXPECT_TRUE(dl.parts.empty());
}

} // namespace
