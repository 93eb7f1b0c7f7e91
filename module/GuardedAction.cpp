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
        try {
            return failureMessage(caption, subject, failure);
        } catch (...) {
            // Without memory for the whole message, the caption alone.
        }
    } catch (...) {
    }
    try {
        return std::string(caption);
    } catch (...) {
        return std::string();
    }
}

bool runGuarded(std::string_view caption, const FailureReporter &report, const std::function<void()> &action) noexcept
{
    std::optional<std::string> failure = runGuarded(action, caption);
    if (!failure)
        return true;
    try {
        if (report)
            report(*failure);
    } catch (...) {
        // A report that cannot be shown leaves the failure untold; it still goes no further.
    }
    return false;
}

} // namespace quorrix
