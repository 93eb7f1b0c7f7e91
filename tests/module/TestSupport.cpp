#include "TestSupport.h"
#include "Path.h"
#include "Utf8.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace quorrix::test
{

TempDir::TempDir()
{
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    static constexpr char letters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "quorrix-test-";
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        // create_directory is false, without error, where the name is taken already.
        if (std::filesystem::create_directory(base / name)) {
            std::filesystem::permissions(base / name, std::filesystem::perms::owner_all);
            m_path = utf8(base / name);
            return;
        }
    }
    throw std::runtime_error("no free name for a temporary folder in " + utf8(base));
}

TempDir::~TempDir()
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path root = fsPath(m_path);
    // Give back permissions that tests took away (on Windows, the read-only attribute), so that everything can
    // be removed.
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, ignored);
    }
    fs::permissions(root, fs::perms::owner_all, ignored);
    fs::remove_all(root, ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    std::string full = path::join(m_path, name);
    // "a/b" names the same entry on every system; written with the system's separator, it also compares equal
    // to the path the core makes of it.
    std::replace(full.end() - static_cast<std::ptrdiff_t>(name.size()), full.end(), '/', path::separator());
    return full;
}

std::string TempDir::file(std::string_view name, std::size_t size) const
{
    const std::string full = *this / name;
    std::ofstream out(fsPath(full), std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create " + full);
    out << std::string(size, 'x');
    return full;
}

std::string TempDir::folder(std::string_view name) const
{
    const std::string full = *this / name;
    std::filesystem::create_directories(fsPath(full));
    return full;
}

std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date = year_month_day { std::chrono::year { year }, std::chrono::month { unsigned(month) },
        std::chrono::day { unsigned(day) } };
    return date.time_since_epoch() / seconds { 1 } + hour * 3600LL + minute * 60LL + second;
}

EnvGuard::EnvGuard(const char *name, const char *value)
    : m_name(name)
{
    const char *old = std::getenv(name);
    m_hadOld = old != nullptr;
    if (old)
        m_old = old;
    setEnvironment(name, value);
}

EnvGuard::~EnvGuard()
{
    setEnvironment(m_name.c_str(), m_hadOld ? m_old.c_str() : nullptr);
}

WorkingDirectory::WorkingDirectory(const std::string &folder)
    : m_old(std::filesystem::current_path())
{
    std::filesystem::current_path(fsPath(folder));
}

WorkingDirectory::~WorkingDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(m_old, ignored);
}

namespace
{

    int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1; // lower case is not what the escapes write
    }

} // namespace

std::optional<std::string> undoDisplayText(std::string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
        case '\\':
            bytes += '\\';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 'x':
        case 'u':
        case 'U': {
            const std::size_t digits = text[i] == 'x' ? 2 : text[i] == 'u' ? 4 : 8;
            if (text.size() - i - 1 < digits)
                return std::nullopt;
            char32_t value = 0;
            for (std::size_t k = 1; k <= digits; ++k) {
                const int digit = hexValue(text[i + k]);
                if (digit < 0)
                    return std::nullopt;
                value = value << 4 | static_cast<char32_t>(digit);
            }
            if (digits == 2)
                bytes += static_cast<char>(value);
            else
                appendUtf8(bytes, value);
            i += digits;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return bytes;
}

std::vector<std::string> nonFolderNames(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(fsPath(folder))) {
        std::error_code ignored;
        if (!entry.is_directory(ignored))
            names.push_back(utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string caseName(std::string_view text)
{
    if (text.empty())
        return "empty";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string name;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (std::isalnum(byte) || byte == '_')
            name += text[i];
        else if (byte == ' ' || byte == '/' || byte == '.' || byte == '-')
            name += '_';
        else
            name += { 'x', hex[byte >> 4], hex[byte & 0xF] };
        std::size_t run = 1;
        while (i + run < text.size() && text[i + run] == text[i])
            ++run;
        if (run > 8) {
            name += "_times" + std::to_string(run) + '_';
            i += run;
        } else {
            ++i;
        }
    }
    return name;
}

void fillGrid(GridControl &grid, std::size_t rows)
{
    grid.setRedraw(false);
    grid.setColumnCount(3);
    grid.setText(1, 0, "Name");
    grid.setText(2, 0, "Mark");
    grid.setText(3, 0, "Size");
    grid.setRowCount(0);
    grid.setRowCount(rows);
    for (std::size_t row = 1; row <= rows; ++row) {
        for (int column = 1; column <= 3; ++column)
            grid.setText(column, row, std::to_string(row) + "." + std::to_string(column));
    }
    grid.setRedraw(true);
}

} // namespace quorrix::test
