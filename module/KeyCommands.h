// The window's keys and the commands they give, for any toolkit: keys arrive as Windows virtual-key codes with
// the Shift, Ctrl and Alt flags, whichever toolkit read them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace quorrix
{

// What a key asks of the window.
enum class Command {
    None,
    Refresh, // re-read the drives, the folder tree and the folder shown, and fill the table again
    SelectAll, // select every row of the table
    CopyRows, // copy the selected rows' cells
    CopyPaths, // copy the selected rows' full paths
    FitColumns, // fit every column to its longest text
};

// The virtual-key codes the key table names.
namespace Key
{
    inline constexpr int F5 = 0x74;
    inline constexpr int A = 'A';
    inline constexpr int C = 'C';
    inline constexpr int Add = 0x6B; // the keypad's plus
    inline constexpr int OemPlus = 0xBB; // the main keys' "=+" key (";+" on Japanese keyboards)

    // The shift-state flags that come with a key.
    inline constexpr int ShiftMask = 1;
    inline constexpr int CtrlMask = 2;
    inline constexpr int AltMask = 4;
}

// The command of `keyCode` with `shift` pressed: F5, with any shift state, from any control; the table's commands
// only while the table has the focus, and never with Alt, which AltGr also sets.
Command commandFor(int keyCode, int shift, bool inTable);

// Decides which presses of the refresh key start a refill. A fill runs on the window's own thread, so presses
// made meanwhile wait in the toolkit's queue and arrive after it: a press that a fill began after has been
// answered by that fill. So presses during a fill give one refill after it, not one each.
//
// Presses carry the toolkit's time stamp (milliseconds, wrapping at 2^32): Qt's QInputEvent::timestamp(), Win32's
// GetMessageTime(). That clock is known only through the stamps of the input events the window handles; since an
// event is handled at the earliest when it is stamped, a fill's start is placed in the toolkit's clock never later
// than it was, so a press made after a fill began is never taken for one made before.
class RefreshPresses
{
public:
    using Clock = std::chrono::steady_clock;

    // An input event stamped `stamp` is being handled at `handled`.
    void seen(std::uint32_t stamp, Clock::time_point handled = Clock::now());
    // A fill begins at `at`: from a refresh, a change of folder or start-up.
    void fillStarted(Clock::time_point at = Clock::now());
    // A press of the refresh key stamped `stamp`, handled at `handled`: whether it asks for a refill, rather than
    // having been answered by a fill that began after it. A press stamped 0 carries no time (events a program
    // makes itself) and always asks.
    bool admit(std::uint32_t stamp, Clock::time_point handled = Clock::now());

private:
    // The toolkit's clock minus the steady clock's milliseconds, as closely as the stamps seen bound it.
    std::optional<std::uint32_t> m_offset;
    std::optional<Clock::time_point> m_fillStart;
};

} // namespace quorrix
