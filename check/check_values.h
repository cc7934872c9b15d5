#pragma once
// Whether a value the device gave is one the program's pages take: pure text
// work on the reply, stricter than the driver's reading of it, so that a
// value the program would read wrongly or only by luck is caught.

#include "check/check_plan.h"

#include <string_view>

namespace quorvex::check {

enum class ValueVerdict {
    Fine,
    Unreadable, // not in the form the page reads
    OutOfRange, // read, but outside what the page accepts
};

// The value as the driver takes it: the reply from its third character on.
std::string_view replyValue(std::string_view reply);
// The value line: the value up to its first CR or LF.
std::string_view replyValueLine(std::string_view reply);

// The verdict on a query's reply. text: what the driver copied into the
// page's buffer (commands 29, 30, 52, 53); portCount: 3 or 5.
ValueVerdict judgeValue(const Query& q, std::string_view reply, std::string_view text,
                        int portCount);

// The identification's replies: "ATI4" must name a model, "ATI3" a
// firmware and a boot code.
ValueVerdict judgeIdentityReply(std::string_view sent, std::string_view reply);

} // namespace quorvex::check
