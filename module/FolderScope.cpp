// Which open folder a thread looks names up in; each platform's layer opens the folder and looks names up.
#include "FileSystem.h"

namespace quorrix
{

namespace
{

    thread_local const OpenFolder::Data *innermostFolder = nullptr;

} // namespace

FolderScope::FolderScope(std::string_view folder)
{
    m_own.emplace(folder);
    enter(m_own->data());
}

FolderScope::FolderScope(const OpenFolder &folder)
{
    enter(folder.data());
}

void FolderScope::enter(const OpenFolder::Data *folder)
{
    if (!folder)
        return;
    m_open = folder;
    m_outer = innermostFolder;
    innermostFolder = folder;
}

FolderScope::~FolderScope()
{
    if (m_open)
        innermostFolder = m_outer;
}

const OpenFolder::Data *FolderScope::innermost()
{
    return innermostFolder;
}

} // namespace quorrix
