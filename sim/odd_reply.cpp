#include "sim/odd_reply.h"

#include "sim/interpreter.h"

namespace quorvex::sim {

std::string withExtra(std::string reply, Extra extra) {
    switch (extra) {
    case Extra::Blank: {
        // The value line runs from the leading CR LF to the next one.
        const std::size_t end = reply.find("\r\n", 2);
        if (reply.starts_with("\r\n") && reply != kOk && end != std::string::npos)
            reply.insert(end, " ");
        break;
    }
    case Extra::EmptyLine:
        if (reply.ends_with(kOk)) reply.insert(reply.size() - kOk.size(), "\r\n");
        break;
    case Extra::Off:
    case Extra::LineAfter:
        break;
    }
    return reply;
}

std::string replyWithValue(std::string_view value) {
    return "\r\n" + std::string(value) + std::string(kOk);
}

} // namespace quorvex::sim
