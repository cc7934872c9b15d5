#include "sim/device_state.h"

#include "sim/registers.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace quorvex::sim {

namespace {

constexpr std::array kPorts5 = {11, 21, 22, 31, 32};
constexpr std::array kPorts3 = {11, 21, 22};

// File form, one line each: "version=1", "model=R70", "reg.<key>=<value>",
// "call.<port>.<list>=<date>|<time>|<number>|<status>|<mills>",
// "charge.<port>=<last>|<current>|<sum>", and the scalars below.
constexpr std::string_view kVersion = "1";

std::string escape(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '|':
            out += "\\x7c";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::optional<std::string> unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 2 >= s.size()) return std::nullopt;
            unsigned v = 0;
            auto r = std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
            if (r.ptr != s.data() + i + 3) return std::nullopt;
            out += static_cast<char>(v);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> splitBars(std::string_view s) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        auto bar = s.find('|', start);
        parts.push_back(s.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return parts;
}

std::optional<int64_t> toInt(std::string_view s) {
    int64_t v = 0;
    if (s.empty()) return std::nullopt;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

void seedCalls(DeviceState& s) {
    auto& l11 = s.callLists[11];
    l11[kOutgoing] = {{"07/03/01", "09:05", "0301234567", "OK", 360},
                      {"06/03/01", "18:42", "004122123456", "OK", 1920},
                      {"06/03/01", "11:15", "4711", "OK", 120}};
    l11[kIncoming] = {{"07/03/01", "08:12", "0897654321", "16", 0},
                      {"06/03/01", "20:01", "**", "16", 0}};
    l11[kNotAnswered] = {{"07/03/01", "07:58", "NO ID", "19", 0}};
    auto& l21 = s.callLists[21];
    l21[kOutgoing] = {{"05/03/01", "14:30", "0401112233", "OK", 480}};
    l21[kIncoming] = {{"05/03/01", "15:02", "0401112233", "16", 0}};
    auto& data = s.callLists[kDataPort];
    data[kOutgoing] = {{"07/03/01", "10:00", "019231760", "OK", 240}};
    data[kIncoming] = {{"06/03/01", "22:47", "0301234999", "16", 0}};
    s.charges[11] = {360, 0, 2400};
    s.charges[21] = {480, 0, 480};
    s.charges[kDataPort] = {240, 0, 240};
    s.totalMills = 3120;
}

} // namespace

std::optional<Model> parseModel(std::string_view name) {
    if (name == "R30") return Model::R30;
    if (name == "R70") return Model::R70;
    if (name == "R70-USB") return Model::R70Usb;
    return std::nullopt;
}

std::string_view modelName(Model m) {
    switch (m) {
    case Model::R30:
        return "R30";
    case Model::R70:
        return "R70";
    case Model::R70Usb:
        return "R70-USB";
    }
    return "R70";
}

std::string_view modelPartNumber(Model m) {
    switch (m) {
    case Model::R30:
        return "QKM-613S";
    case Model::R70:
        return "QKM-633S";
    case Model::R70Usb:
        return "QKM-633S-USB";
    }
    return "QKM-633S";
}

std::span<const int> analogPorts(Model m) {
    if (m == Model::R30) return kPorts3;
    return kPorts5;
}

bool hasAnalogPort(Model m, int port) {
    for (int p : analogPorts(m))
        if (p == port) return true;
    return false;
}

std::string formatMills(int64_t mills) {
    bool negative = mills < 0;
    uint64_t v = negative ? static_cast<uint64_t>(-(mills + 1)) + 1 : static_cast<uint64_t>(mills);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu,%03llu", negative ? "-" : "",
                  static_cast<unsigned long long>(v / 1000),
                  static_cast<unsigned long long>(v % 1000));
    return buf;
}

DeviceState freshState(Model model) {
    DeviceState s;
    s.model = model;
    s.firmware = "V2.10 " + std::string(modelName(model));
    s.bootCode = "V1.03";
    for (auto& [key, value] : initialRegisters(model))
        s.registers[key] = value;
    s.registers["!P0#11*0"] = "4711";
    s.registers["!P0#21*0"] = "4712";
    s.registers["!N0"] = "4719";
    seedCalls(s);
    return s;
}

void resetToFactory(DeviceState& s) {
    s.registers.clear();
    for (auto& [key, value] : initialRegisters(s.model))
        s.registers[key] = value;
    s.callLists.clear();
    s.charges.clear();
    s.totalMills = 0;
    s.clockOffsetSeconds.reset();
}

std::string serializeState(const DeviceState& s) {
    std::ostringstream out;
    out << "version=" << kVersion << "\n";
    out << "model=" << modelName(s.model) << "\n";
    out << "firmware=" << escape(s.firmware) << "\n";
    out << "bootcode=" << escape(s.bootCode) << "\n";
    out << "bootmode=" << (s.bootMode ? 1 : 0) << "\n";
    out << "currency=" << escape(s.currency) << "\n";
    out << "total=" << s.totalMills << "\n";
    if (s.clockOffsetSeconds) out << "clockoffset=" << *s.clockOffsetSeconds << "\n";
    out << "isdnstatus=" << s.isdnStatus << "\n";
    out << "disccause=" << s.lastDisconnectCause << "\n";
    for (auto& [key, value] : s.registers)
        out << "reg." << escape(key) << "=" << escape(value) << "\n";
    for (auto& [port, c] : s.charges)
        out << "charge." << port << "=" << c.lastMills << "|" << c.currentMills << "|" << c.sumMills
            << "\n";
    for (auto& [port, lists] : s.callLists)
        for (int l = 0; l < kCallListCount; ++l)
            for (const CallEntry& e : lists[static_cast<std::size_t>(l)])
                out << "call." << port << "." << l << "=" << escape(e.date) << "|" << escape(e.time)
                    << "|" << escape(e.number) << "|" << escape(e.status) << "|" << e.chargeMills
                    << "\n";
    return out.str();
}

std::optional<DeviceState> parseState(std::string_view text, std::string* error) {
    DeviceState s;
    s.firmware.clear();
    int lineNo = 0;
    bool sawModel = false;
    auto fail = [&](const std::string& why) -> std::optional<DeviceState> {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNo;
        auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (line.empty() || line[0] == '#') continue;
        auto eq = line.find('=');
        if (eq == std::string_view::npos) return fail("no '='");
        std::string_view key = line.substr(0, eq);
        auto value = unescape(line.substr(eq + 1));
        if (!value) return fail("bad escape");
        if (key == "version") {
            if (*value != kVersion) return fail("unknown version " + *value);
        } else if (key == "model") {
            auto m = parseModel(*value);
            if (!m) return fail("unknown model " + *value);
            s.model = *m;
            sawModel = true;
        } else if (key == "firmware") {
            s.firmware = *value;
        } else if (key == "bootcode") {
            s.bootCode = *value;
        } else if (key == "bootmode") {
            s.bootMode = *value == "1";
        } else if (key == "currency") {
            s.currency = *value;
        } else if (key == "total" || key == "clockoffset" || key == "isdnstatus" ||
                   key == "disccause") {
            auto v = toInt(*value);
            if (!v) return fail("not a number");
            if (key == "total")
                s.totalMills = *v;
            else if (key == "clockoffset")
                s.clockOffsetSeconds = *v;
            else if (key == "isdnstatus")
                s.isdnStatus = static_cast<int>(*v);
            else
                s.lastDisconnectCause = static_cast<int>(*v);
        } else if (key.starts_with("reg.")) {
            auto k = unescape(key.substr(4));
            if (!k || k->empty()) return fail("bad register name");
            s.registers[*k] = *value;
        } else if (key.starts_with("charge.")) {
            auto port = toInt(key.substr(7));
            auto parts = splitBars(*value);
            if (!port || parts.size() != 3) return fail("bad charge line");
            auto a = toInt(parts[0]), b = toInt(parts[1]), c = toInt(parts[2]);
            if (!a || !b || !c) return fail("bad charge figure");
            s.charges[static_cast<int>(*port)] = {*a, *b, *c};
        } else if (key.starts_with("call.")) {
            auto rest = key.substr(5);
            auto dot = rest.find('.');
            if (dot == std::string_view::npos) return fail("bad call key");
            auto port = toInt(rest.substr(0, dot));
            auto list = toInt(rest.substr(dot + 1));
            auto parts = splitBars(line.substr(eq + 1));
            if (!port || !list || *list < 0 || *list >= kCallListCount || parts.size() != 5)
                return fail("bad call line");
            CallEntry e;
            auto d = unescape(parts[0]), t = unescape(parts[1]), n = unescape(parts[2]),
                 st = unescape(parts[3]);
            auto m = toInt(parts[4]);
            if (!d || !t || !n || !st || !m) return fail("bad call fields");
            e = {*d, *t, *n, *st, *m};
            auto& entries = s.callLists[static_cast<int>(*port)][static_cast<std::size_t>(*list)];
            if (entries.size() < kMaxListEntries) entries.push_back(std::move(e));
        }
        // Other keys come from newer versions of this program: ignored.
    }
    if (!sawModel) return fail("no model");
    // Registers the file lacks keep their initial values.
    for (auto& [key, value] : initialRegisters(s.model))
        s.registers.try_emplace(key, value);
    return s;
}

std::optional<DeviceState> loadStateFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    std::string why;
    auto s = parseState(buf.str(), &why);
    if (!s && error) *error = path + ": " + why;
    return s;
}

bool saveStateFile(const std::string& path, const DeviceState& s, std::string* error) {
    const std::string tmp = path + ".tmp";
    const std::string text = serializeState(s);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    auto fail = [&](const char* what) {
        if (error) *error = tmp + ": " + what + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    };
    if (fd < 0) return fail("open");
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail("fsync");
    if (::close(fd) != 0) {
        fd = -1;
        return fail("close");
    }
    fd = -1;
    if (::rename(tmp.c_str(), path.c_str()) != 0) return fail("rename");
    return true;
}

} // namespace quorvex::sim
