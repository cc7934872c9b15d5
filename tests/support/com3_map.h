// The COM map (R70COM_PORTS) of a test machine: the device on COM3, the
// other seven names present and empty, as the Windows program sees them.
#pragma once

#include <string>

namespace testsupport {

inline std::string comPortsWithCom3(const std::string& com3) {
    return "COM1=;COM2=;COM3=" + com3 + ";COM4=;COM5=;COM6=;COM7=;COM8=";
}

} // namespace testsupport
