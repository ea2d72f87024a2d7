#include "state/MessageLog.h"

#include <algorithm>

#include "toolkit/Text.h"

namespace vx {

void MessageLog::Add(const std::string& message, bool failure)
{
    std::rotate(lines_.rbegin(), lines_.rbegin() + 1, lines_.rend());
    lines_[0] = LeftText(FileNameToCp1252(message), kLineLength);
    messages_.insert(messages_.begin(), message);
    if (messages_.size() > static_cast<std::size_t>(kLines))
        messages_.pop_back();
    newestWhole_ = message;
    newestIsFailure_ = failure;
}

}  // namespace vx
