// How far a change of the folder shown has come: reading the folder, ordering its names and filling the table
// each say how far they are, and a change that runs long shows it on the table, counted from the change's start.
#pragma once

#include "Controls.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorrix
{

class ChangeProgress
{
public:
    // A change that has run this long shows how far it is, and then again at most this often.
    static constexpr std::chrono::milliseconds After { 500 };
    static constexpr std::chrono::milliseconds Every { 100 };

    using Clock = std::chrono::steady_clock::time_point (*)();

    // Starts timing a change that shows its progress on `grid`, on this thread, until destroyed. Inside a change
    // already timed it adds nothing: the outer change's start counts. A notice still shown when the change ends
    // (a change that failed before its fill) is taken down.
    explicit ChangeProgress(GridControl &grid, Clock clock = &std::chrono::steady_clock::now);
    ~ChangeProgress();
    ChangeProgress(const ChangeProgress &) = delete;
    ChangeProgress &operator=(const ChangeProgress &) = delete;

    // `entries` of a folder are read (or ordered) so far. Cheap enough to call for every few hundred entries.
    static void reading(std::size_t entries);
    // `rows` of `total` rows are written, while the table's repainting is held back; turning it on again takes
    // the notice down.
    static void filling(std::size_t rows, std::size_t total);

private:
    void show(std::size_t rows, std::size_t total);

    GridControl &m_grid;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_shown;
    bool m_showing = false; // a notice is up that no fill's end took down
    ChangeProgress *m_outer;
};

// The notice's text: "ファイルを読み込んでいます", then on a second line "<total> 件中 <rows> 件", or while the folder
// is still being read (`total` 0) "<rows> 件". Digits are grouped by threes with `separator` (none when empty).
std::string progressText(std::size_t rows, std::size_t total, std::string_view separator = ",");

} // namespace quorrix
