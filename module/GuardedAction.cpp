#include "GuardedAction.h"

#include "FailureText.h"

#include <exception>

namespace quorrix
{

ActionTraits traitsOf(Action action)
{
    switch (action) {
    case Action::Load:
    case Action::Refresh:
    case Action::OpenFolder:
        return { Caption::CannotShowFolder, true };
    case Action::PickDrive:
        return { Caption::CannotReadDrive, true };
    case Action::SelectAll:
        return { Caption::CannotSelect, false };
    case Action::CopyRows:
    case Action::CopyPaths:
        return { Caption::CannotCopy, false };
    case Action::FitColumns:
        return { Caption::CannotFitColumns, false };
    }
    return { Caption::CannotShowFolder, false };
}

std::optional<std::string> runGuarded(
    const std::function<void()> &step, std::string_view caption, std::string_view subject) noexcept
{
    try {
        step();
        return std::nullopt;
    } catch (const std::exception &failure) {
        return failureMessage(caption, subject, failure);
    }
}

} // namespace quorrix
