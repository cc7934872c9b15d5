// quorvex-cli check: the summary, the exit status and the report a user sends.
#include "cli_fixture.h"

namespace clitest {
namespace {

TEST_F(CliTest, CheckSaysConformsAndWritesAReportWithMaskedNumbers) {
    // Listening 250 ms after each reply (the program's) costs a run 85 s; what
    // this test looks at needs no listening (r70com32_line_test shows it).
    env_["R70COM_LISTEN_MS"] = "30";
    CliRun r = cli({"check"});
    EXPECT_EQ(r.status, 2) << r.out; // no device yet
    EXPECT_NE(r.err.find("No device answered"), std::string::npos) << r.err;

    startSim(sim::Model::R70);
    // A machine busy with other builds may hold a first byte up past half its
    // 20 ms wait in the identification: such a run is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        r = cli({"check", "--report", path("check.txt")});
        if (r.status == 0) break;
    }
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("OrvaISDN R70 on COM3: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nconforms\n"), std::string::npos) << r.out;
    const std::string report = slurp(path("check.txt"));
    for (const std::string& part :
         {std::string("Program: quorvex-cli 0.1.0\n"), "Port: COM3 " + path("COM3") + "\n",
          std::string("Device: OrvaISDN R70, firmware V2.10 R70, boot code V1.03\n"),
          std::string("System: "), std::string("Build: "),
          std::string("  sent  'AT!P0#21*0?<CR>'\n  reply  '<CR><LF>xx12<CR><LF>OK<CR><LF>'")}) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report.substr(0, 2000);
    }
    EXPECT_EQ(report.find("4712"), std::string::npos); // port 21's MSN

    sim_->setFaults({.oddValuePrefix = "AT%E0?", .oddValue = "260"});
    r = cli({"check", "--unmasked", "--report", path("odd.txt"), "--lang", "de"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Ein Wert außerhalb dessen, was das Programm annimmt (1)\n"
                         "  DFÜ: AT%E0? - Wert '260'\n"),
              std::string::npos)
        << r.out;
    const std::string odd = slurp(path("odd.txt"));
    EXPECT_NE(odd.find("'<CR><LF>4712<CR><LF>OK<CR><LF>'"), std::string::npos);
    EXPECT_EQ(odd.find("Rufnummern sind unkenntlich"), std::string::npos);
}

} // namespace
} // namespace clitest
