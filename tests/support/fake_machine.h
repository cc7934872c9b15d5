#pragma once
// A machine's serial ports as files: <root>/sys (class/tty and the devices
// behind it, each tty's device number, the console) and <root>/dev (nodes and
// the udev links), for the port discovery and the tests that give the program
// a port under a stable name. A node may be a link to a pseudo-terminal (a
// simulator's, or a FakeLine's), so the port opens and its class/tty/NAME/dev
// holds that terminal's device number (and dev/char/NUMBER leads to it), as
// sysfs does for a real port.

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

class FakeMachine {
public:
    explicit FakeMachine(std::filesystem::path root) : root_(std::move(root)) {
        std::filesystem::create_directories(sys() / "class" / "tty");
        std::filesystem::create_directories(dev() / "serial" / "by-id");
        std::filesystem::create_directories(dev() / "serial" / "by-path");
    }
    std::filesystem::path sys() const { return root_ / "sys"; }
    std::filesystem::path dev() const { return root_ / "dev"; }

    struct Usb {
        std::string vendor = "0403", product = "6001", manufacturer = "FTDI",
                    productName = "FT232R USB UART", serial;
        std::string bus = "1-1";         // where it is plugged in
        std::string driver = "ftdi_sio"; // the kernel's driver of the port ("cdc_acm" for ACM)
        std::string latencyTimer = {};   // the port's latency_timer ("16"); empty: none
    };
    // ttyUSBn (usb-serial: tty -> port -> interface -> device) or ttyACMn
    // (tty -> interface -> device). target: what the node links to (empty: a
    // plain file).
    void addUsb(const std::string& tty, const Usb& usb, const std::string& target = {}) {
        const auto device = sys() / "devices" / "pci0" / "usb1" / usb.bus;
        auto iface = device / (usb.bus + ":1.0");
        std::filesystem::create_directories(iface);
        write(device / "idVendor", usb.vendor);
        write(device / "idProduct", usb.product);
        write(device / "manufacturer", usb.manufacturer);
        write(device / "product", usb.productName);
        if (!usb.serial.empty()) write(device / "serial", usb.serial);
        if (tty.rfind("ttyACM", 0) != 0) {
            iface /= tty;
            std::filesystem::create_directories(iface);
            // ftdi_sio shows its chip's latency timer in the port's folder.
            if (!usb.latencyTimer.empty()) write(iface / "latency_timer", usb.latencyTimer);
        }
        // The device behind the tty names its driver, as the kernel does.
        const auto drivers = sys() / "bus" / "usb-serial" / "drivers" / usb.driver;
        std::filesystem::create_directories(drivers);
        std::filesystem::remove(iface / "driver");
        std::filesystem::create_directory_symlink(drivers, iface / "driver");
        addTty(tty, iface, "", target);
    }
    // The folder of a USB serial port (where ftdi_sio keeps latency_timer).
    std::filesystem::path portFolder(const std::string& tty) const {
        return std::filesystem::canonical(sys() / "class" / "tty" / tty / "device");
    }
    // A built-in port; serialType "0" is a legacy port with no UART behind it.
    void addBuiltin(const std::string& tty, const std::string& serialType,
                    const std::string& target = {}) {
        const auto device = sys() / "devices" / "pnp0" / tty;
        std::filesystem::create_directories(device);
        addTty(tty, device, serialType, target);
    }
    // The kernel's console runs on these ttys ("tty0 ttyS0"), as
    // class/tty/console/active says.
    void setConsole(const std::string& active) {
        std::filesystem::create_directories(sys() / "class" / "tty" / "console");
        write(sys() / "class" / "tty" / "console" / "active", active);
    }
    // A tty without a device (a virtual terminal).
    void addVirtual(const std::string& tty) {
        std::filesystem::create_directories(sys() / "class" / "tty" / tty);
    }
    // <dev>/serial/<kind>/<name> -> ../../<tty>, as udev makes it.
    std::string link(const std::string& kind, const std::string& name, const std::string& tty) {
        const auto at = dev() / "serial" / kind / name;
        std::filesystem::remove(at);
        std::filesystem::create_symlink(std::filesystem::path("../..") / tty, at);
        return at.string();
    }
    // The adapter is gone: its tty, node and links.
    void remove(const std::string& tty) {
        std::filesystem::remove_all(sys() / "class" / "tty" / tty);
        std::filesystem::remove(dev() / tty);
        for (const char* kind : {"by-id", "by-path"})
            for (const auto& e : std::filesystem::directory_iterator(dev() / "serial" / kind))
                if (std::filesystem::read_symlink(e.path()).filename() == tty)
                    std::filesystem::remove(e.path());
    }

private:
    void addTty(const std::string& tty, const std::filesystem::path& device,
                const std::string& serialType, const std::string& target) {
        const auto cls = sys() / "class" / "tty" / tty;
        std::filesystem::create_directories(cls);
        std::filesystem::create_directory_symlink(device, cls / "device");
        if (!serialType.empty()) write(cls / "type", serialType);
        if (target.empty()) {
            write(dev() / tty, "");
            return;
        }
        std::filesystem::create_symlink(target, dev() / tty);
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
            const std::string number =
                std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
            write(cls / "dev", number);
            // sysfs links each character device by its number to its folder.
            std::filesystem::create_directories(sys() / "dev" / "char");
            std::filesystem::remove(sys() / "dev" / "char" / number);
            std::filesystem::create_directory_symlink(cls, sys() / "dev" / "char" / number);
        }
    }
    static void write(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file) << text << "\n";
    }

    std::filesystem::path root_;
};
