#include "HostileFolder.h"
#include "TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quorrix::test
{

namespace
{

    bool run(const std::vector<std::string> &arguments)
    {
        return runProgram(arguments) == 0;
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
