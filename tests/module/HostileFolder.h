// Hostile folders for tests, made by tests/hostile/make_hostile.sh: the one description of them, shared by the
// module tests, the window tests and the end-to-end tests.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quorrix::test
{

// A fresh temporary folder holding the hostile parts asked for (each a subfolder of that name: "names",
// "special", "links", "perms", "sizes", "times", "attrs", "many", "deep"; all of them when none are named).
// Removed with everything in it, refused permissions and paths beyond PATH_MAX included, on destruction.
class HostileFolder
{
public:
    explicit HostileFolder(std::initializer_list<std::string_view> parts = {});
    ~HostileFolder();
    HostileFolder(const HostileFolder &) = delete;
    HostileFolder &operator=(const HostileFolder &) = delete;

    // Absolute path, without a trailing "/".
    const std::string &path() const { return m_path; }
    // path() + "/" + name.
    std::string operator/(std::string_view name) const;

private:
    std::string m_path;
};

// The innermost folder of the chain of single subfolders below `folder`: the folder of the "deep" part whose
// files' paths reach the length limit.
std::string innermostFolder(const std::string &folder);

} // namespace quorrix::test
