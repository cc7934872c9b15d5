// The Linux side of port discovery: the fixed map of a machine without sysfs,
// where its trees are, when a node appeared and who is logged in on it.
#include "driver/ports/port_discovery.h"
#include "driver/ports/port_holders_linux.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>

namespace r70 {

const std::array<const char*, kMapSize> kFixedPaths = {
    "/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB1",
    "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS2",   "/dev/ttyS3",
};

MachineRoots machineRoots() {
    const char* root = std::getenv("R70COM_ROOT");
    if (root != nullptr && root[0] != '\0')
        return {std::string(root) + "/sys", std::string(root) + "/dev",
                std::string(root) + "/var/lock"};
    return {"/sys", "/dev", "/var/lock"};
}

Discovery discoverHere() {
    const MachineRoots roots = machineRoots();
    return discoverPorts(roots.sys, roots.dev);
}

std::optional<SerialPortInfo> portOfNode(const std::string& path) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return std::nullopt;
    return portOfDevice(machineRoots().sys, major(node.st_rdev), minor(node.st_rdev), path);
}

std::function<void(SerialPortInfo&)> nodeFactsReader() {
    return [logins = loginLines()](SerialPortInfo& port) {
        if (struct stat at{}; ::lstat(port.node.c_str(), &at) == 0)
            port.appearance = std::to_string(at.st_ino) + ":" + std::to_string(at.st_ctim.tv_sec) +
                              "." + std::to_string(at.st_ctim.tv_nsec);
        struct stat st {};
        if (port.leftOut != LeftOut::No || ::stat(port.node.c_str(), &st) != 0) return;
        for (const LoginLine& login : logins) {
            if (login.device != st.st_rdev) continue;
            port.leftOut = LeftOut::Login;
            port.holderPid = login.holder.pid;
            port.holderName = login.holder.name;
            break;
        }
    };
}

} // namespace r70
