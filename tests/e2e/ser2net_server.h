// ser2net in front of a pseudo-terminal, for the tests of network ports: a
// generated configuration with one accepter on 127.0.0.1, started and stopped
// by the test (one process per test, its own pid file and log).
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <netinet/in.h>

extern char** environ;

namespace nettest {

namespace fs = std::filesystem;

// The installed ser2net, or "" (the tests then skip and say why).
inline std::string ser2netBinary() {
    for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
        if (::access(p, X_OK) == 0) return p;
    return {};
}

inline constexpr const char* kNoSer2net =
    "ser2net is not installed (scripts/setup.sh packages installs it)";

// A TCP port nobody listens on right now.
inline int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// Whether something listens on 127.0.0.1:port (from /proc/net/tcp, so that
// looking does not open a connection the server would serve).
inline bool listening(int port) {
    std::ifstream tcp("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X 00000000:0000 0A", port);
    for (std::string line; std::getline(tcp, line);)
        if (line.find(wanted) != std::string::npos) return true;
    return false;
}

class Ser2net {
public:
    // rfc2217 false: a plain telnet accepter (no COM-PORT-OPTION). nodelay:
    // tcp(nodelay) on the accepter (without it the server's Nagle holds each
    // small segment until the last one is acknowledged).
    Ser2net(fs::path dir, std::string device, bool rfc2217 = true, bool nodelay = false)
        : dir_(std::move(dir)), device_(std::move(device)), rfc2217_(rfc2217), nodelay_(nodelay),
          port_(freePort()) {}
    ~Ser2net() { stop(); }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    int port() const { return port_; }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
    std::string log() const {
        std::ifstream in(dir_ / "ser2net.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Starts the server and waits until it listens; false with a reason.
    bool start(std::string* why) {
        const fs::path config = dir_ / "ser2net.yaml";
        {
            std::ofstream out(config);
            out << "connection: &device\n"
                << "  accepter: " << (rfc2217_ ? "telnet(rfc2217)" : "telnet")
                << (nodelay_ ? ",tcp(nodelay),127.0.0.1," : ",tcp,127.0.0.1,") << port_ << "\n"
                << "  connector: serialdev," << device_ << ",115200n81,local\n";
        }
        const std::string binary = ser2netBinary();
        const std::string configArg = config.string();
        const std::string pidArg = (dir_ / "ser2net.pid").string();
        const std::string logPath = (dir_ / "ser2net.log").string();
        std::string args[] = {binary, "-n", "-u", "-c", configArg, "-P", pidArg};
        char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                        args[4].data(), args[5].data(), args[6].data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int spawned = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            if (why) *why = "cannot start " + binary;
            return false;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!listening(port_)) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                if (why) *why = "ser2net ended at once: " + log();
                return false;
            }
            if (std::chrono::steady_clock::now() > end) {
                if (why) *why = "ser2net does not listen on port " + std::to_string(port_);
                stop();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Ends the server (its connections drop) and waits for it.
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }

private:
    fs::path dir_;
    std::string device_;
    bool rfc2217_;
    bool nodelay_;
    int port_;
    pid_t pid_ = -1;
};

} // namespace nettest
