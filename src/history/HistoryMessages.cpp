#include "history/HistoryMessages.h"

#include "toolkit/Text.h"

namespace vx {

std::string SetAsideMessage(const HistoryOpening& opening)
{
    if (opening.SetAsideTo.empty())
        return {};
    return "The history was damaged (" + opening.SetAsideReason + "); it was set aside as " +
           FileNameToUtf8(opening.SetAsideTo) + " and a new one started";
}

}  // namespace vx
