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

// A child started by startCli, its output going to files in dir.
struct CliChild {
    pid_t pid = -1;
    std::filesystem::path dir;
};

// Starts program (the command line unless another is named) with args; env
// entries override (or add to) the test's environment.
inline CliChild startCli(const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env,
                         const std::filesystem::path& dir, const char* program = QUORVEX_CLI,
                         const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> argStore = prefix;
    argStore.push_back(program);
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
    CliChild child{-1, dir};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
        child.pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits for the child; a child ended by a signal has the status 128 + signal.
inline CliRun finishCli(const CliChild& child) {
    CliRun run;
    if (child.pid > 0) {
        int status = 0;
        while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = slurp(child.dir / "cli.out");
    run.err = slurp(child.dir / "cli.err");
    return run;
}

// Runs the program with args; env entries override (or add to) the test's environment.
inline CliRun runCli(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env,
                     const std::filesystem::path& dir) {
    return finishCli(startCli(args, env, dir));
}

} // namespace clitest
