// Who else has a serial port, as Linux tells it: the system console, the
// process whose controlling terminal it is (a login), a process that holds
// it open, an flock, a UUCP lock file (LCK..name), and what the node's owner,
// group and mode say about a refused open. Reads /proc and sysfs; every scan
// of /proc is bounded in entries and time, so a machine with many processes
// costs a known delay, never an endless one. Linux only.
#ifndef R70_PORT_HOLDERS_H
#define R70_PORT_HOLDERS_H

#include <string>
#include <sys/types.h>
#include <vector>

namespace r70 {

struct Holder {
    int pid = 0;      // 0: nobody (or nobody this user may see)
    std::string name; // the program's name (/proc/PID/comm)
};

// The console devices sysfs names in <sys>/class/tty/console/active, by their
// device numbers (<sys>/class/tty/NAME/dev); /dev/console itself counts too.
bool isConsole(const std::string& sysRoot, dev_t device);

// The process, not this one, whose controlling terminal the device is: a
// getty or a shell logged in on the line.
Holder loginHolder(dev_t device);
// Every controlling terminal of another process, from one scan (discovery
// asks for all of its ports at once).
struct LoginLine {
    dev_t device = 0;
    Holder holder;
};
std::vector<LoginLine> loginLines();
// A process, not this one, with the device open (what a refused open found).
Holder openHolder(dev_t device);
// The process that holds an flock on the file (device and inode of the node).
Holder flockHolder(dev_t fileSystem, ino_t inode);

// The UUCP lock file of the line: <lockDir>/LCK..<name>, name the tty's name
// ("ttyUSB0"), or the path below /dev with '/' as '_' ("pts_3").
std::string lockFilePath(const std::string& lockDir, const std::string& ttyName);
std::string ttyNameOf(const std::string& path);
// The live process, not this one, that the lock file names; stale files
// (the process is gone) and unreadable ones count as no lock.
Holder lockFileHolder(const std::string& lockFile);
// Writes this process's lock ("%10d\n", replacing a stale one); false when it
// cannot (another's lock, no permission): never a reason not to go on.
bool writeLockFile(const std::string& lockFile);
// Removes the lock file when it is this process's.
void removeLockFile(const std::string& lockFile);

// A refused open explained by the node's owner, group and mode: the group
// helps only when it may read and write and is neither root nor tty.
struct Denial {
    int why = 0; // DRV_WHY_GROUP, DRV_WHY_OWNER or DRV_WHY_TERMINAL
    std::string owner, group;
    unsigned mode = 0; // the permission bits
};
Denial explainDenial(unsigned mode, const std::string& owner, const std::string& group);
// The same from the node itself.
Denial explainDenial(const std::string& path);

} // namespace r70

#endif
