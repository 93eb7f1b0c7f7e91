#include "HostileFolder.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>
#include <vector>

extern char **environ;

namespace quorrix::test
{

namespace
{

    // Runs a program with `arguments` and waits for it; true when it exits with status 0.
    bool run(const std::vector<std::string> &arguments)
    {
        std::vector<char *> argv;
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return false;
        int status = 0;
        while (::waitpid(child, &status, 0) < 0) {
            if (errno != EINTR)
                return false;
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    struct DirCloser {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };

} // namespace

HostileFolder::HostileFolder(std::initializer_list<std::string_view> parts)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorrix-hostile-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    m_path = pattern;
    std::vector<std::string> arguments { QUORRIX_MAKE_HOSTILE, m_path };
    for (const std::string_view part : parts)
        arguments.emplace_back(part);
    if (!run(arguments)) {
        run({ "rm", "-rf", m_path });
        throw std::runtime_error("make_hostile.sh failed in " + m_path);
    }
}

HostileFolder::~HostileFolder()
{
    // rm walks the tree by open folders, so paths beyond PATH_MAX go too; chmod first gives back the
    // permissions the folder took away.
    run({ "chmod", "-R", "u+rwx", m_path });
    run({ "rm", "-rf", m_path });
}

std::string HostileFolder::operator/(std::string_view name) const
{
    std::string result = m_path;
    result += '/';
    result += name;
    return result;
}

std::string innermostFolder(const std::string &folder)
{
    std::string current = folder;
    for (;;) {
        const std::unique_ptr<DIR, DirCloser> dir(::opendir(current.c_str()));
        if (!dir)
            throw std::system_error(errno, std::generic_category(), "opendir " + current);
        std::string sub;
        while (const dirent *entry = ::readdir(dir.get())) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != ".." && entry->d_type == DT_DIR)
                sub = name;
        }
        if (sub.empty())
            return current;
        current += '/';
        current += sub;
    }
}

} // namespace quorrix::test
