// The profile sections as data: the concrete keys, their order, forms and
// load defaults for the R30 (3 ports) and the R70 (5 ports).

#include "profile/sections.h"

#include <gtest/gtest.h>

#include <set>

namespace {

namespace profile = quorvex::profile;
using profile::Section;
using profile::ValueForm;

std::vector<std::string> namesOf(Section section, int portCount) {
    std::vector<std::string> names;
    for (const auto& key : profile::keysOf(section, portCount))
        names.push_back(key.name);
    return names;
}

struct Shape {
    Section section;
    int portCount;
    std::size_t count;
    const char* first;
    const char* last;
};

TEST(ProfileSections, CountsAndEnds) {
    const Shape shapes[] = {
        {Section::Back, 3, 11, "CLBKACTIVE", "CLBKNUM9"},
        {Section::Set, 5, 7, "LANGUAGE", "IPREDIAL"},
        // 4 symbols + 3 names + ALIASD + 9 MSNs + 3 CLIPs + 5 data MSNs + DCLIP
        {Section::Msn, 3, 26, "PORTIDX0", "DCLIP"},
        {Section::Msn, 5, 38, "PORTIDX0", "DCLIP"},
        {Section::Accep, 3, 17, "ACCEPDTAA", "LOWVOL2"},
        {Section::Accep, 5, 27, "ACCEPDTAA", "LOWVOL4"},
        {Section::ShortDial, 3, 33, "CHKSPXRING0", "SDNUM29"},
        {Section::ShortDial, 5, 55, "CHKSPXRING0", "SDNUM49"},
        {Section::Forward, 5, 15, "FWDIMM0", "FRD20SEC4"},
        {Section::Filter, 3, 44, "ACTIVE0", "FTRNUM59"},
        {Section::Filter, 5, 66, "ACTIVE0", "FTRNUM59"},
        {Section::Data, 3, 20, "CURPTOCOL", "LODURATION"},
        // LCRACT + 2 day types * (6 bands * 6 keys + 8 ranges * 3 keys)
        {Section::Lcr, 3, 121, "LCRACT", "EPNACTS7"},
        {Section::Lcr, 5, 121, "LCRACT", "EPNACTS7"},
        {Section::Timer, 3, 6, "MCACTIVE0", "MCALL2"},
        {Section::Timer, 5, 10, "MCACTIVE0", "MCALL4"},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(std::string(profile::sectionName(s.section)) + " ports " +
                     std::to_string(s.portCount));
        const auto names = namesOf(s.section, s.portCount);
        ASSERT_EQ(names.size(), s.count);
        EXPECT_EQ(names.front(), s.first);
        EXPECT_EQ(names.back(), s.last);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size())
            << "a key appears twice";
    }
}

TEST(ProfileSections, ExactOrder) {
    EXPECT_EQ(namesOf(Section::Set, 3),
              (std::vector<std::string>{"LANGUAGE", "SOUNDON", "LCDDSPING", "CHGUNIT", "LCCODE",
                                        "PABX", "IPREDIAL"}));
    EXPECT_EQ(namesOf(Section::Msn, 3),
              (std::vector<std::string>{
                  "PORTIDX0", "PORTIDX1", "PORTIDX2", "PORTIDX5", "ALIAS0", "ALIAS1", "ALIAS2",
                  "ALIASD",   "AMSN00",   "AMSN01",   "AMSN02",   "AMSN10", "AMSN11", "AMSN12",
                  "AMSN20",   "AMSN21",   "AMSN22",   "ACLIP0",   "ACLIP1", "ACLIP2", "DMSN0",
                  "DMSN1",    "DMSN2",    "DMSN3",    "DMSN4",    "DCLIP"}));
    EXPECT_EQ(
        namesOf(Section::Timer, 5),
        (std::vector<std::string>{"MCACTIVE0", "MCACTIVE1", "MCACTIVE2", "MCACTIVE3", "MCACTIVE4",
                                  "MCALL0", "MCALL1", "MCALL2", "MCALL3", "MCALL4"}));
    const auto data = namesOf(Section::Data, 5);
    EXPECT_EQ(std::vector<std::string>(data.begin() + 5, data.begin() + 12),
              (std::vector<std::string>{"EIDCLS", "EIDNUM1", "EIDNUM2", "EIDNUM3", "EIDNUM4",
                                        "EIDNUM5", "FRMSZV120"}));
}

TEST(ProfileSections, LcrWritesTheMondayTableThenTheWeekendTable) {
    const auto keys = profile::keysOf(Section::Lcr, 5);
    EXPECT_EQ(keys[1].name, "LCPFRM_M0");
    EXPECT_EQ(keys[6].name, "LCPFRM_M5");
    EXPECT_EQ(keys[7].name, "LCPTO_M0");
    EXPECT_EQ(keys[60].name, "EPNACTM7");
    EXPECT_EQ(keys[61].name, "LCPFRM_S0");
    int lcrAct = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].name == "LCRACT") ++lcrAct;
        if (i >= 1) {
            EXPECT_EQ(keys[i].dayType, i <= 60 ? 'M' : 'S') << keys[i].name;
        }
    }
    EXPECT_EQ(lcrAct, 1);
    EXPECT_EQ(keys[0].dayType, 0);
    const auto providers = std::count_if(
        keys.begin(), keys.end(), [](const auto& k) { return k.name.starts_with("PROVIDER"); });
    EXPECT_EQ(providers, 12);
}

TEST(ProfileSections, R30HasNoFilterListsThreeAndFour) {
    for (const auto& key : profile::keysOf(Section::Filter, 3)) {
        EXPECT_NE(key.first, 3) << key.name;
        EXPECT_NE(key.first, 4) << key.name;
    }
    const auto r70 = namesOf(Section::Filter, 5);
    EXPECT_NE(std::find(r70.begin(), r70.end(), "FTRNUM39"), r70.end());
    EXPECT_NE(std::find(r70.begin(), r70.end(), "ACTIVE4"), r70.end());
    const auto r30 = namesOf(Section::Filter, 3);
    EXPECT_EQ(std::vector<std::string>(r30.begin(), r30.begin() + 4),
              (std::vector<std::string>{"ACTIVE0", "ACTIVE1", "ACTIVE2", "ACTIVE5"}));
}

struct Default {
    Section section;
    const char* key;
    ValueForm form;
    const char* text;
};

TEST(ProfileSections, FormsAndLoadDefaults) {
    const Default cases[] = {
        {Section::Timer, "MCALL1", ValueForm::Text, "00:00"},
        {Section::Timer, "MCACTIVE1", ValueForm::Switch, "0"},
        {Section::Data, "FRMSZV120", ValueForm::Decimal, "256"},
        {Section::Data, "FRMSZX75", ValueForm::Decimal, "2048"},
        {Section::Data, "FRMSZHDLC", ValueForm::Decimal, "2048"},
        {Section::Data, "HIWATER", ValueForm::Decimal, "45"},
        {Section::Data, "LOWATER", ValueForm::Decimal, "30"},
        {Section::Data, "HIDURATION", ValueForm::Decimal, "2"},
        {Section::Data, "LODURATION", ValueForm::Decimal, "2"},
        {Section::Data, "CURPTOCOL", ValueForm::Decimal, "0"},
        {Section::Data, "EIDNUM3", ValueForm::Text, ""},
        {Section::Set, "LANGUAGE", ValueForm::Decimal, "0"},
        {Section::Set, "CHGUNIT", ValueForm::Text, ""},
        {Section::Msn, "PORTIDX5", ValueForm::Decimal, "0"},
        {Section::Msn, "ACLIP2", ValueForm::Switch, "0"},
        {Section::Accep, "DELAYRING0", ValueForm::Decimal, "0"},
        {Section::Lcr, "PROVIDERS5", ValueForm::Text, ""},
        {Section::Lcr, "EPNACTM7", ValueForm::Switch, "0"},
        {Section::Back, "CLBKNUM0", ValueForm::Text, ""},
    };
    for (const Default& d : cases) {
        SCOPED_TRACE(d.key);
        const auto keys = profile::keysOf(d.section, 5);
        const auto it =
            std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.name == d.key; });
        ASSERT_NE(it, keys.end());
        EXPECT_EQ(it->form, d.form);
        EXPECT_EQ(it->defaultText(), d.text);
    }
    const auto accep = profile::keysOf(Section::Accep, 5);
    EXPECT_EQ(accep[0].maxValue, 2);
    const auto delay = std::find_if(accep.begin(), accep.end(),
                                    [](const auto& k) { return k.name == "DELAYRING3"; });
    ASSERT_NE(delay, accep.end());
    EXPECT_EQ(delay->first, 3);
    EXPECT_EQ(delay->maxValue, 9);
    const auto msn = profile::keysOf(Section::Msn, 5);
    const auto amsn =
        std::find_if(msn.begin(), msn.end(), [](const auto& k) { return k.name == "AMSN42"; });
    ASSERT_NE(amsn, msn.end());
    EXPECT_EQ(amsn->first, 4);
    EXPECT_EQ(amsn->second, 2);
    EXPECT_EQ(amsn->format, "AMSN%d%d");
}

TEST(ProfileSections, NamesAndOrder) {
    const char* names[] = {"BACK_DIV",    "SET_DIV",    "MSN_DIV",  "ACCEP_DIV", "SHORTDIAL_DIV",
                           "FORWARD_DIV", "FILTER_DIV", "DATA_DIV", "LCR_DIV",   "TIMER_DIV"};
    for (std::size_t i = 0; i < profile::kSectionOrder.size(); ++i) {
        EXPECT_EQ(profile::sectionName(profile::kSectionOrder[i]), names[i]);
        EXPECT_EQ(profile::sectionFromName(names[i]), profile::kSectionOrder[i]);
    }
    EXPECT_EQ(profile::sectionFromName("msn_div"), Section::Msn);
    EXPECT_EQ(profile::sectionFromName("QuorvexCom"), std::nullopt);
}

} // namespace
