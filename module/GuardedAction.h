// The steps a person starts in the window, what the window shows while each runs and what it says when one fails.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorrix
{

// A step the user starts.
enum class Action { Load, Refresh, PickDrive, OpenFolder, SelectAll, CopyRows, CopyPaths, FitColumns };

struct ActionTraits {
    std::string_view caption; // of the message when it fails
    bool fills; // fills the table, and so may run for seconds: the busy cursor shows meanwhile
};

ActionTraits traitsOf(Action action);

// Runs `step`. Returns nothing when it succeeds; when it throws, the message to show: `caption`, `subject` (a path
// or a drive's text, or nothing) and the reason, as failureMessage gives it. No failure passes on, so that none
// reaches the toolkit's event loop, which cannot carry one.
std::optional<std::string> runGuarded(
    const std::function<void()> &step, std::string_view caption, std::string_view subject = {}) noexcept;

// Tells the user about a failure: `message` is the whole text, UTF-8.
using FailureReporter = std::function<void(const std::string &message)>;
// Runs `action` as runGuarded above and hands a failure's message to `report`. Returns whether the action ran
// through; an action that fails leaves what it works on as it was.
bool runGuarded(std::string_view caption, const FailureReporter &report, const std::function<void()> &action) noexcept;

} // namespace quorrix
