#include "KeyCommands.h"

#include <iterator>

namespace quorrix
{

namespace
{

    struct Binding {
        int key;
        int shift; // the flags that must be pressed
        int free; // the flags that may be pressed as well
        bool tableOnly;
        Command command;
    };

    constexpr Binding Bindings[] = {
        { Key::F5, 0, Key::ShiftMask | Key::CtrlMask | Key::AltMask, false, Command::Refresh },
        { Key::A, Key::CtrlMask, 0, true, Command::SelectAll },
        { Key::C, Key::CtrlMask, 0, true, Command::CopyRows },
        { Key::C, Key::CtrlMask | Key::ShiftMask, 0, true, Command::CopyPaths },
        // Ctrl with "=" or "+": the plus of the main keys is a shifted key on most layouts.
        { Key::OemPlus, Key::CtrlMask, Key::ShiftMask, true, Command::FitColumns },
        { Key::Add, Key::CtrlMask, Key::ShiftMask, true, Command::FitColumns },
    };

    std::uint32_t milliseconds(RefreshPresses::Clock::time_point at)
    {
        const auto count = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
        return static_cast<std::uint32_t>(count);
    }

    // Whether `a` is later than `b` on a clock that wraps at 2^32 milliseconds (about 49 days).
    bool later(std::uint32_t a, std::uint32_t b)
    {
        return a != b && a - b < 0x8000'0000u;
    }

} // namespace

Command commandFor(int keyCode, int shift, bool inTable)
{
    for (const Binding &binding : Bindings) {
        if (binding.key == keyCode && (shift & ~binding.free) == binding.shift && (inTable || !binding.tableOnly))
            return binding.command;
    }
    return Command::None;
}

void RefreshPresses::seen(std::uint32_t stamp, Clock::time_point handled)
{
    if (stamp == 0)
        return;
    const std::uint32_t offset = stamp - milliseconds(handled);
    if (!m_offset || later(offset, *m_offset))
        m_offset = offset;
}

void RefreshPresses::fillStarted(Clock::time_point at)
{
    m_fillStart = at;
}

bool RefreshPresses::admit(std::uint32_t stamp, Clock::time_point handled)
{
    if (stamp == 0)
        return true;
    seen(stamp, handled);
    // Within the same millisecond, the press may have come after the fill began.
    return !m_fillStart || !later(milliseconds(*m_fillStart) + *m_offset, stamp);
}

} // namespace quorrix
