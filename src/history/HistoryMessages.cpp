#include "history/HistoryMessages.h"

#include "toolkit/Text.h"

namespace vx {

std::string SetAsideMessage(const HistoryOpening& opening)
{
    if (opening.SetAsideTo.empty())
        return {};
    // What happened and why first: the window's log shows two short lines.
    return "History damaged (" + opening.SetAsideReason + "), a new one started; the old one is " +
           FileNameToUtf8(opening.SetAsideTo);
}

}  // namespace vx
