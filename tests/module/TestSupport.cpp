#include "TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char **environ;

namespace quorrix::test
{

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorrix-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Give back permissions that tests took away, so that everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            ::chmod(it->path().c_str(), 0700);
    }
    ::chmod(m_path.c_str(), 0700);
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    std::string result = m_path;
    result += '/';
    result += name;
    return result;
}

std::string TempDir::file(std::string_view name, std::size_t size) const
{
    const std::string full = *this / name;
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create " + full);
    out << std::string(size, 'x');
    return full;
}

std::string TempDir::folder(std::string_view name) const
{
    const std::string full = *this / name;
    std::filesystem::create_directories(full);
    return full;
}

void setTimes(const std::string &path, FileTime accessed, FileTime modified)
{
    const timespec times[2] = {
        { static_cast<time_t>(accessed.seconds), static_cast<long>(accessed.nanoseconds) },
        { static_cast<time_t>(modified.seconds), static_cast<long>(modified.nanoseconds) },
    };
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::system_error(errno, std::generic_category(), "utimensat " + path);
}

std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&tm));
}

EnvGuard::EnvGuard(const char *name, const char *value)
    : m_name(name)
{
    const char *old = std::getenv(name);
    m_hadOld = old != nullptr;
    if (old)
        m_old = old;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
    tzset();
}

EnvGuard::~EnvGuard()
{
    if (m_hadOld)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
    tzset();
}

WorkingDirectory::WorkingDirectory(const std::string &folder)
    : m_old(std::filesystem::current_path())
{
    std::filesystem::current_path(folder);
}

WorkingDirectory::~WorkingDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(m_old, ignored);
}

int runProgram(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool inOwnRoot()
{
    return std::getenv("QUORRIX_OWN_ROOT") != nullptr;
}

int runInOwnRoot(const std::vector<std::string> &arguments)
{
    std::vector<std::string> command { QUORRIX_OWN_ROOT_SCRIPT, std::filesystem::read_symlink("/proc/self/exe") };
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command);
}

void runCaseInOwnRoot()
{
    const testing::TestInfo &info = *testing::UnitTest::GetInstance()->current_test_info();
    const int status = runInOwnRoot({ "--gtest_filter=" + std::string(info.test_suite_name()) + "." + info.name() });
    if (status == 77)
        GTEST_SKIP() << "no root folder of its own can be made here";
    EXPECT_EQ(status, 0) << "the case failed in a root folder of its own (its output is above)";
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

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

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
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        std::error_code ignored;
        if (!entry.is_directory(ignored))
            names.push_back(entry.path().filename().string());
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

bool bypassesPermissions()
{
    TempDir dir;
    const std::string locked = dir.file("locked", 1);
    ::chmod(locked.c_str(), 0);
    const int fd = ::open(locked.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return false;
}

} // namespace quorrix::test
