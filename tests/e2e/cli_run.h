// Runs quorvex-cli as a child process (the driver is process-wide, so the
// command line gets its own) while the test process hosts the simulated
// device on a pseudo-terminal.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace clitest {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program with args; env entries override (or add to) the test's environment.
inline CliRun runCli(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env,
                     const std::filesystem::path& dir) {
    std::vector<std::string> argStore{QUORVEX_CLI};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string kv = *e;
        auto eq = kv.find('=');
        if (eq != std::string::npos) merged[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    merged.erase("R70COM_TRACE");
    for (const auto& [k, v] : env)
        merged[k] = v;
    std::vector<std::string> envStore;
    for (const auto& [k, v] : merged)
        envStore.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const auto outFile = dir / "cli.out";
    const auto errFile = dir / "cli.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    CliRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, QUORVEX_CLI, &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(outFile);
    run.err = slurp(errFile);
    return run;
}

} // namespace clitest
