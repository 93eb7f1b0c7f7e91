#include "Module1.h"

#include "ChangeProgress.h"
#include "DateTimeText.h"
#include "FileList.h"
#include "FileSystem.h"
#include "FillWorkers.h"
#include "FolderSnapshot.h"
#include "Path.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace quorrix::Module1
{

namespace
{

    // Runs one step of a query whose steps may each fail on their own: a failure of the system (an entry gone,
    // access refused, a time the system cannot place) skips just this step. Anything else, running out of
    // memory above all, is no answer about the file and passes to the caller.
    template<typename Step>
    void skipOnFailure(Step &&step)
    {
        try {
            step();
        } catch (const std::system_error &) {
        }
    }

    void appendDecimal(std::string &out, std::int64_t value)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out.append(buffer, result.ptr);
    }

    // A time orders its column by its value: date-time texts in most locales do not order as their times.
    void setTimeValue(GridControl &grid, int column, std::size_t row, const std::optional<FileTime> &time)
    {
        if (time)
            grid.setCellValue(column, row, { time->seconds, time->nanoseconds });
    }

    // The attribute mark, date-time texts (written by `dates`), byte count and values of the file at `path`, as
    // s_FILEINFO gives them.
    // `listed`, where given, is the file's status as its folder's listing gave it, which GetFile would give.
    void fileInfo(const std::string &path, const std::optional<FileObject> &listed, const DateTimeText &dates,
        std::string &mark, std::string &created, std::string &accessed, std::string &modified, std::string &size,
        FileValues &values)
    {
        std::optional<FileObject> file = listed;
        std::string_view chosenMark;
        std::int64_t bytes = 0;

        if (!file)
            skipOnFailure([&] { file = FileSystemObject().GetFile(path); });
        if (file)
            chosenMark = attributeMark(file->Attributes());
        // GetFile already read the length with the same resolution of links; ask the system again only when
        // it failed.
        skipOnFailure([&] { bytes = file ? file->Size() : fileLength(path); });

        mark = chosenMark;
        values = {};
        // A time the file system does not keep is no failure: its text is left as it was.
        const auto formatTime = [&](const std::optional<FileTime> &time, std::string &out,
                                    std::optional<FileTime> &value) {
            if (!time)
                return;
            skipOnFailure([&] {
                dates.format(*time, out);
                value = time;
            });
        };
        if (file) {
            formatTime(file->DateCreated(), created, values.created);
            formatTime(file->DateLastAccessed(), accessed, values.accessed);
            formatTime(file->DateLastModified(), modified, values.modified);
        }
        size.clear();
        appendDecimal(size, bytes);
        values.bytes = bytes;
    }

    // The cells the query gives a row: mark, the three date-times and the size text.
    constexpr std::size_t QueriedCells = 5;
    // Rows queried at a time: well under a millisecond of work on a local disk, little memory, and on a slow file
    // system few enough round trips that a worker soon learns its queries wait.
    constexpr std::size_t SliceRows = 64;
    // Slices a worker may query ahead of the reader, besides a few that any fill may.
    constexpr std::size_t AheadPerWorker = 4;
    constexpr std::size_t AheadOfAll = 8;
    // Below this many files, threads would cost more than they save.
    constexpr std::size_t ThreadedFrom = 4096;

    // The queried cells of the rows of entries first to end - 1.
    struct Slice {
        std::size_t first = 0;
        std::size_t end = 0;
        std::string text; // every cell back to back
        std::vector<std::uint32_t> ends; // where each cell ends in text, QueriedCells per row
        std::vector<FileValues> values; // one per row
        std::exception_ptr failure;
        bool ready = false;

        std::string_view cell(std::size_t row, std::size_t cell) const
        {
            const std::size_t at = row * QueriedCells + cell;
            const std::size_t begin = at == 0 ? 0 : ends[at - 1];
            return std::string_view(text).substr(begin, ends[at] - begin);
        }
    };

    // Queries files of one folder on one thread: the folder opened once for the fill, and a date formatter that
    // only this thread uses.
    class SliceQuery
    {
    public:
        SliceQuery(const FileListControl &files, const OpenFolder &folder, const DateTimeText &dates)
            : m_files(files)
            , m_folder(files.path())
            , m_open(folder)
            , m_scope(folder)
            , m_dates(dates)
        {
        }

        void run(Slice &slice)
        {
            slice.text.clear();
            slice.ends.clear();
            slice.values.clear();
            slice.ends.reserve((slice.end - slice.first) * QueriedCells);
            slice.values.reserve(slice.end - slice.first);
            const auto endCell = [&slice] {
                if (slice.text.size() > UINT32_MAX)
                    throw std::length_error("queried cells too long");
                slice.ends.push_back(static_cast<std::uint32_t>(slice.text.size()));
            };
            for (std::size_t i = slice.first; i < slice.end; ++i) {
                m_mark.clear();
                m_created.clear();
                m_accessed.clear();
                m_modified.clear();
                m_size.clear();
                path::joinInto(m_path, m_folder, m_files.name(i));
                fileInfo(m_path, m_open.listed(i), m_dates, m_mark, m_created, m_accessed, m_modified, m_size,
                    slice.values.emplace_back());
                for (const std::string *text : { &m_mark, &m_created, &m_accessed, &m_modified }) {
                    slice.text += *text;
                    endCell();
                }
                slice.text += sizeText(m_size);
                endCell();
            }
            m_open.done(slice.first, slice.end);
        }

    private:
        const FileListControl &m_files;
        std::string m_folder;
        const OpenFolder &m_open;
        const FolderScope m_scope;
        const DateTimeText &m_dates;
        std::string m_path, m_mark, m_created, m_accessed, m_modified, m_size;
    };

    // The queried rows of a file list, slice by slice in the list's order. A large list is queried on a worker
    // thread per core, all with the folder opened once (on Windows one listing), a few slices ahead of the reader; a
    // small one on the reader's thread, when it asks. Where the queries wait on the file system rather than the
    // processor, more workers are started, up to MaxFillWorkers, so that many queries are in flight; a small list
    // whose first slice waited goes over to workers for the rest. The list must not change while the queue lives.
    class SliceQueue
    {
    public:
        SliceQueue(const FileListControl &files, std::size_t count, std::vector<Slice> queried = {})
            : m_files(files)
            , m_count(count)
            , m_slices((count + SliceRows - 1) / SliceRows)
            , m_cores(std::max(1u, std::thread::hardware_concurrency()))
            , m_queried(std::move(queried))
        {
            if (!m_queried.empty() || count == 0)
                return;
            m_folder.emplace(files.path(), count, [&files](std::size_t i) { return files.name(i); });
            m_ring.resize(std::max<std::size_t>(1, std::min(m_slices, AheadPerWorker * MaxFillWorkers + AheadOfAll)));
            if (count >= ThreadedFrom && m_cores > 1)
                m_wanted = std::min(m_cores, m_slices);
        }

        ~SliceQueue()
        {
            {
                const std::lock_guard lock(m_mutex);
                m_stop = true;
            }
            m_room.notify_all();
            for (std::thread &thread : m_threads)
                thread.join();
        }

        SliceQueue(const SliceQueue &) = delete;
        SliceQueue &operator=(const SliceQueue &) = delete;

        // The next slice, once it is queried. Throws what querying it threw.
        const Slice &next()
        {
            if (!m_queried.empty())
                return m_queried[m_taken];
            Slice &slice = m_ring[m_taken % m_ring.size()];
            // Without workers, none touches m_wanted but this thread.
            if (m_threads.empty() && m_wanted > 0) {
                std::unique_lock lock(m_mutex);
                startWanted(lock);
            }
            if (m_threads.empty())
                return queryHere(slice);
            std::unique_lock lock(m_mutex);
            for (;;) {
                startWanted(lock);
                m_ready.wait(lock, [&] { return slice.ready || m_broken || m_threads.size() < m_wanted; });
                if (slice.ready || m_broken)
                    break;
            }
            if (!slice.ready)
                std::rethrow_exception(m_broken);
            if (slice.failure)
                std::rethrow_exception(slice.failure);
            return slice;
        }

        // The slice that next() gave is written: its room may take another.
        void done()
        {
            if (!m_queried.empty()) {
                ++m_taken;
                return;
            }
            // The written slice's memory goes back now: the ring has room for many slices ahead (for a slow file
            // system's many workers), and each kept its cells until its room came round again.
            Slice written;
            if (m_threads.empty()) {
                released(m_ring[m_taken % m_ring.size()], written);
                ++m_taken;
                return;
            }
            {
                const std::lock_guard lock(m_mutex);
                Slice &slice = m_ring[m_taken % m_ring.size()];
                slice.ready = false;
                released(slice, written);
                ++m_taken;
            }
            m_room.notify_all();
        }

    private:
        // Moves the texts and values of `slice` into `into`, which frees them when it ends.
        static void released(Slice &slice, Slice &into) noexcept
        {
            into.text.swap(slice.text);
            into.ends.swap(slice.ends);
            into.values.swap(slice.values);
        }

        void bounds(Slice &slice, std::size_t index) const
        {
            slice.first = index * SliceRows;
            slice.end = std::min(m_count, slice.first + SliceRows);
        }

        static SliceTime timeSince(std::chrono::steady_clock::time_point started,
            const std::optional<ThreadTimes> &before, const Slice &slice)
        {
            SliceTime time;
            time.wall = std::chrono::steady_clock::now() - started;
            if (const std::optional<ThreadTimes> after = threadTimes(); before && after) {
                time.cpu = after->cpu - before->cpu;
                time.waits = after->waits - before->waits;
            }
            time.files = slice.end - slice.first;
            return time;
        }

        // Queries the reader's slice on its own thread. When that slice's queries waited on the file system, the
        // slices after it go to workers.
        Slice &queryHere(Slice &slice)
        {
            if (!m_inline)
                m_inline.emplace(m_files, *m_folder, DateTimeText::user());
            bounds(slice, m_taken);
            const auto started = std::chrono::steady_clock::now();
            const std::optional<ThreadTimes> before = threadTimes();
            m_inline->run(slice);
            const std::size_t wanted = workersWanted(1, m_cores, timeSince(started, before, slice));
            if (wanted > 1 && m_taken + 1 < m_slices) {
                std::unique_lock lock(m_mutex);
                m_claimed = m_taken + 1;
                m_wanted = std::min(wanted, m_slices - m_claimed);
                startWanted(lock);
            }
            return slice;
        }

        // Starts workers until there are as many as wanted; only the reader's thread starts them, with the
        // queue's lock held. When one cannot be started, those that run are enough; with none, the reader
        // queries the rest itself.
        void startWanted(std::unique_lock<std::mutex> &)
        {
            if (m_threads.size() >= m_wanted)
                return;
            const DateTimeText &dates = DateTimeText::user();
            while (m_threads.size() < m_wanted) {
                try {
                    m_threads.emplace_back([this, &dates] { work(dates); });
                } catch (const std::system_error &) {
                    m_wanted = m_threads.size();
                }
            }
            m_room.notify_all();
        }

        // Slices that may be queried ahead of the reader with `workers` at work.
        std::size_t ahead() const { return std::min(m_ring.size(), AheadPerWorker * m_threads.size() + AheadOfAll); }

        void work(const DateTimeText &shared)
        {
            std::optional<DateTimeText> dates;
            std::optional<SliceQuery> query;
            try {
                dates.emplace(shared);
                query.emplace(m_files, *m_folder, *dates);
            } catch (...) {
                const std::lock_guard lock(m_mutex);
                m_broken = std::current_exception();
                m_ready.notify_one();
                return;
            }
            std::unique_lock lock(m_mutex);
            for (;;) {
                m_room.wait(lock, [&] { return m_stop || m_claimed == m_slices || m_claimed < m_taken + ahead(); });
                if (m_stop || m_claimed == m_slices)
                    return;
                const std::size_t index = m_claimed++;
                Slice &slice = m_ring[index % m_ring.size()];
                lock.unlock();
                bounds(slice, index);
                slice.failure = nullptr;
                const auto started = std::chrono::steady_clock::now();
                const std::optional<ThreadTimes> before = threadTimes();
                try {
                    query->run(slice);
                } catch (...) {
                    slice.failure = std::current_exception();
                }
                const SliceTime time = timeSince(started, before, slice);
                lock.lock();
                slice.ready = true;
                // More workers only while there are slices left for them.
                const std::size_t wanted
                    = std::min(workersWanted(m_wanted, m_cores, time), m_wanted + (m_slices - m_claimed));
                if (wanted > m_wanted) {
                    m_wanted = wanted;
                    m_ready.notify_all();
                    m_room.notify_all();
                } else {
                    m_ready.notify_one();
                }
            }
        }

        const FileListControl &m_files;
        const std::size_t m_count;
        const std::size_t m_slices;
        const std::size_t m_cores;
        std::vector<Slice> m_queried; // every slice, queried before the queue was made
        std::vector<Slice> m_ring; // slice i is queried into m_ring[i % size]
        std::optional<OpenFolder> m_folder; // shared by every thread that queries
        std::optional<SliceQuery> m_inline;
        std::mutex m_mutex;
        std::condition_variable m_ready; // a slice is queried, more workers are wanted, or a worker could not start
        std::condition_variable m_room; // a slice is written, more workers may query ahead, or the queue ends
        std::size_t m_claimed = 0; // slices handed to workers
        std::size_t m_taken = 0; // slices written by the reader
        std::size_t m_wanted = 0; // workers to have; none while the reader queries
        bool m_stop = false;
        std::exception_ptr m_broken;
        std::vector<std::thread> m_threads; // started and joined by the reader's thread only
    };

    // The first fill's rows, queried before the window's list existed: the list they belong to and every
    // slice of it.
    struct EarlyFill {
        FileList files;
        std::vector<Slice> slices;
    };
    std::mutex g_earlyMutex;
    std::optional<EarlyFill> g_early;

    // The slices queried early for `files`, when they were queried for the same names in the same order;
    // none otherwise. Either way they are dropped, for they are only as fresh as the first fill.
    std::vector<Slice> takeEarlyFill(const FileListControl &files)
    {
        std::optional<EarlyFill> early;
        {
            const std::lock_guard lock(g_earlyMutex);
            early.swap(g_early);
        }
        if (!early || early->files.path() != files.path() || early->files.count() != files.count())
            return {};
        for (std::size_t i = 0; i < files.count(); ++i) {
            if (early->files.name(i) != files.name(i))
                return {};
        }
        return std::move(early->slices);
    }

} // namespace

std::thread prepareFirstFill(std::string commandLine)
{
    return std::thread([commandLine = std::move(commandLine)] {
        try {
            // The user's patterns are made here, while the window is being made, not by the fill.
            DateTimeText::user();
            EarlyFill early;
            std::string folder = s_CMDPATH(commandLine);
            if (folder.empty())
                folder = currentDirectory();
            // A folder that a threaded fill would query is left to it, and not listed whole here: the count stops
            // at that many entries.
            struct TooLarge {
            };
            // Read once: the file list takes the count's reading.
            const FolderSnapshot snapshot;
            std::size_t entries = 0;
            FolderSnapshot::list(folder, [&entries](std::string_view, bool) {
                if (++entries >= ThreadedFrom)
                    throw TooLarge {};
            });
            early.files.setPath(folder);
            const std::size_t count = early.files.count();
            if (count == 0 || count >= ThreadedFrom)
                return;
            // Queried as the window's fill would: on this thread, or on workers where the queries wait.
            SliceQueue queue(early.files, count);
            for (std::size_t i = 0; i < count;) {
                const Slice &slice = queue.next();
                early.slices.push_back(slice);
                i = slice.end;
                queue.done();
            }
            const std::lock_guard lock(g_earlyMutex);
            g_early = std::move(early);
        } catch (...) {
            // Whatever failed here, the window's own fill meets again and reports.
        }
    });
}

std::string s_CMDPATH(std::string_view commandLine)
{
    // The path the command line names (on Windows, a quoted one up to its closing quote), read as the system reads
    // a typed path (on Windows: "/" separates, trailing dots and blanks go, names as on disk); on Linux it stays as
    // it is.
    const std::string read = path::typed(path::commandLinePath(commandLine));
    const std::string_view argument = read;
    std::string text(argument);

    // Hidden and system entries are only found by searches that admit them, so all four searches are made.
    bool namesFile = false;
    for (const unsigned admitted : { SearchSystem, SearchHidden, SearchReadOnly, SearchPlain }) {
        if (findFirstFile(argument, admitted))
            namesFile = true;
    }

    // Cut at the last separator; a file in a root keeps the root, since "" would name no folder at all. A bare
    // name stays as it is.
    if (namesFile) {
        if (const std::string_view folder = path::folderOf(text); !folder.empty())
            text.resize(folder.size());
    }

    // Plain entries pass every search, so this finds the named file itself as well as a named folder, but
    // nothing hidden or system.
    if (findFirstFile(argument, SearchFolder))
        return text;
    return {};
}

std::string_view attributeMark(int value)
{
    switch (value) {
    case Attribute::ReadOnly:
        return "R";
    case Attribute::Hidden:
        return "H";
    case Attribute::System:
        return "S";
    case Attribute::Archive:
        return "A";
    default:
        return {};
    }
}

void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size)
{
    FileValues values;
    s_FILEINFO(path, mark, created, accessed, modified, size, values);
}

void s_FILEINFO(const std::string &path, std::string &mark, std::string &created, std::string &accessed,
    std::string &modified, std::string &size, FileValues &values)
{
    fileInfo(path, std::nullopt, DateTimeText::user(), mark, created, accessed, modified, size, values);
}

std::string sizeText(std::string_view byteCount)
{
    std::int64_t bytes = 0;
    const auto parsed = std::from_chars(byteCount.data(), byteCount.data() + byteCount.size(), bytes);
    if (parsed.ec != std::errc() || parsed.ptr != byteCount.data() + byteCount.size())
        bytes = 0;

    // Whole kilobytes, a remainder of exactly half going to the even neighbour. Done on the magnitude in
    // integers, so that no byte count loses precision.
    const bool negative = bytes < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    std::uint64_t kilobytes = magnitude / 1024;
    const std::uint64_t remainder = magnitude % 1024;
    if (remainder > 512 || (remainder == 512 && kilobytes % 2 == 1))
        ++kilobytes;

    std::string result;
    if (negative && kilobytes != 0)
        result += '-';
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, kilobytes);
    result.append(buffer, written.ptr);
    result += "KB";
    return result;
}

void s_GRD1LIST(FileListControl &File1, GridControl &GRD1)
{
    // A fill that runs long shows how far it is: counted from the start of the change that asked for it, or
    // from here when it is a change of its own.
    const ChangeProgress change(GRD1);
    GRD1.setRedraw(false);
    try {
        GRD1.setRowCount(0);
        GRD1.setRowCount(File1.count());
        GRD1.setFolder(File1.path());

        const std::size_t count = File1.count();
        // The files are queried ahead, on other threads where the folder is large enough to gain from them;
        // the cells are written here alone, row by row in the list's order.
        SliceQueue queried(File1, count, takeEarlyFill(File1));
        for (std::size_t i = 0; i < count;) {
            const Slice &slice = queried.next();
            for (; i < slice.end; ++i) {
                File1.select(i);
                const std::size_t row = i + 1;
                const std::size_t at = i - slice.first;
                const FileValues &values = slice.values[at];
                GRD1.setText(gridColumn(Column::Name), row, File1.fileName());
                GRD1.setText(gridColumn(Column::Mark), row, slice.cell(at, 0));
                // Date-time texts are the locale's own, shown as they are.
                GRD1.setFormattedText(gridColumn(Column::Created), row, slice.cell(at, 1));
                GRD1.setFormattedText(gridColumn(Column::Accessed), row, slice.cell(at, 2));
                GRD1.setFormattedText(gridColumn(Column::Modified), row, slice.cell(at, 3));
                GRD1.setText(gridColumn(Column::Size), row, slice.cell(at, 4));
                setTimeValue(GRD1, gridColumn(Column::Created), row, values.created);
                setTimeValue(GRD1, gridColumn(Column::Accessed), row, values.accessed);
                setTimeValue(GRD1, gridColumn(Column::Modified), row, values.modified);
                GRD1.setCellValue(gridColumn(Column::Size), row, { values.bytes, 0 });
            }
            queried.done();
            ChangeProgress::filling(i, count);
        }
    } catch (...) {
        // The table shows the rows written so far; it must not stay frozen.
        try {
            GRD1.setRedraw(true);
        } catch (...) {
        }
        throw;
    }
    GRD1.setRedraw(true);
}

} // namespace quorrix::Module1
