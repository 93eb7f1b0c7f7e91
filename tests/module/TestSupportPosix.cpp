// The POSIX part of the test support: paths are bytes, times and the environment through the C library, and
// the helpers that only POSIX has (other programs, a root folder of a test's own, permission refusals).
#include "TestSupport.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char **environ;

namespace quorrix::test
{

std::filesystem::path fsPath(std::string_view text)
{
    return std::filesystem::path(std::string(text));
}

std::string utf8(const std::filesystem::path &path)
{
    return path.string();
}

bool makeFifo(const std::string &path)
{
    return ::mkfifo(path.c_str(), 0644) == 0;
}

bool makeLink(const std::string &target, const std::string &link)
{
    std::filesystem::create_symlink(target, link);
    return true;
}

void makeReadOnly(const std::string &path)
{
    if (::chmod(path.c_str(), 0444) != 0)
        throw std::system_error(errno, std::generic_category(), "chmod " + path);
}

void hide(const std::string &)
{
}

std::string localDateTimeText(int year, int month, int day, int hour, int minute, int second)
{
    char text[64];
    if (hour == 0 && minute == 0 && second == 0)
        std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day);
    else
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
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

void setEnvironment(const char *name, const char *value)
{
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
    tzset();
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

bool onWindows()
{
    return false;
}

std::optional<int> systemNameOrder(std::string_view, std::string_view, std::string_view)
{
    return std::nullopt;
}

bool underWine()
{
    return false;
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

TemporaryDrive::TemporaryDrive(const std::string &folder)
    : m_folder(folder)
    , m_root(folder)
{
}

TemporaryDrive::~TemporaryDrive() = default;

void TemporaryDrive::remove()
{
    std::filesystem::remove_all(m_folder);
}

} // namespace quorrix::test
