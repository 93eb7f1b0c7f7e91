#include "ChangeProgress.h"

namespace quorrix
{

namespace
{

    thread_local ChangeProgress *activeChange = nullptr;

    void appendCount(std::string &out, std::size_t count, std::string_view separator)
    {
        const std::string digits = std::to_string(count);
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                out += separator;
            out += digits[i];
        }
    }

} // namespace

ChangeProgress::ChangeProgress(GridControl &grid, Clock clock)
    : m_grid(grid)
    , m_clock(clock)
    , m_started(clock())
    , m_outer(activeChange)
{
    if (!m_outer)
        activeChange = this;
}

ChangeProgress::~ChangeProgress()
{
    if (m_outer)
        return;
    activeChange = nullptr;
    if (m_showing) {
        try {
            m_grid.setRedraw(false);
            m_grid.setRedraw(true);
        } catch (...) {
            // The notice stays up until the next fill: better than a failure from a destructor.
        }
    }
}

void ChangeProgress::reading(std::size_t entries)
{
    if (activeChange)
        activeChange->show(entries, 0);
}

void ChangeProgress::filling(std::size_t rows, std::size_t total)
{
    if (!activeChange)
        return;
    activeChange->show(rows, total);
    // The fill turns repainting on again at its end, which takes the notice down.
    if (total != 0 && rows >= total)
        activeChange->m_showing = false;
}

void ChangeProgress::show(std::size_t rows, std::size_t total)
{
    const auto now = m_clock();
    if (now - m_started < After || (m_showing && now - m_shown < Every) || (total != 0 && rows >= total))
        return;
    m_grid.showProgress(rows, total);
    m_shown = now;
    m_showing = true;
}

std::string progressText(std::size_t rows, std::size_t total, std::string_view separator)
{
    std::string text = "ファイルを読み込んでいます\n";
    if (total != 0) {
        appendCount(text, total, separator);
        text += " 件中 ";
    }
    appendCount(text, rows, separator);
    text += " 件";
    return text;
}

} // namespace quorrix
