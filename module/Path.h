// Path rules: the separator, what a root looks like, cutting, joining, the chain of folders from a root and
// normalisation. Every rule is lexical and takes the style of the paths it reads, so each system's rules can be
// checked on any system; the one question that needs the file system (where a link leads) is asked of the
// caller. Nothing else in the program spells a separator.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

// How a system writes paths. Posix: "/" separates, and "/" is the one root. Windows: "\" separates and "/" is
// read as one too; a drive's root is "C:\", a share's root "\\server\share\"; "C:" alone and "\" alone are
// roots relative to the drive's current folder and to the current drive.
enum class PathStyle { Posix, Windows };

// The style of the system the program runs on; the build picks it (module/posix/, module/win32/).
PathStyle nativePathStyle();

namespace path
{

    // The separator the style writes.
    char separator(PathStyle style = nativePathStyle());
    bool isSeparator(char c, PathStyle style = nativePathStyle());

    // Length of the root that `path` begins with; 0 for a path relative to the current folder.
    std::size_t rootLength(std::string_view path, PathStyle style = nativePathStyle());
    // The root that `path` begins with; empty for a path relative to the current folder.
    std::string_view rootOf(std::string_view path, PathStyle style = nativePathStyle());
    // Whether `path` names the same entry whatever the current folder and drive: it begins with "/"; on
    // Windows with "C:\" or "\\server\share".
    bool isAbsolute(std::string_view path, PathStyle style = nativePathStyle());
    // Whether `path` is a root and nothing more: "/", "C:\", "\\server\share\".
    bool isRoot(std::string_view path, PathStyle style = nativePathStyle());
    // The root of the system's own drive, for when no folder is known at all: "/", "C:\".
    std::string_view systemRoot(PathStyle style = nativePathStyle());

    // `path` without trailing separators, a root kept whole: "/tmp//" is "/tmp", "/" stays "/".
    std::string_view withoutTrailingSeparators(std::string_view path, PathStyle style = nativePathStyle());
    // `path` cut at its last separator, a root kept whole: "/a/b" is "/a", "/a" and "/" are "/", "C:\a" is
    // "C:\", "\a" is "\". Empty when `path` has neither separator nor root.
    std::string_view folderOf(std::string_view path, PathStyle style = nativePathStyle());

    // The path that the text after a program's name names. Windows quotes a path that holds a blank: text
    // that begins with `"` names what lies up to the next `"` (no Windows name holds one), and what follows it
    // (a second dropped item) is left alone. Any other text, and all text on Posix, is the path whole.
    std::string_view commandLinePath(std::string_view commandLine, PathStyle style = nativePathStyle());

    // `folder`, exactly one separator, then `name`, written into `out`: "/" and "a" give "/a", "/tmp/" and
    // "a" give "/tmp/a", "C:\" and "a" give "C:\a".
    void joinInto(
        std::string &out, std::string_view folder, std::string_view name, PathStyle style = nativePathStyle());
    std::string join(std::string_view folder, std::string_view name, PathStyle style = nativePathStyle());

    // One folder of a chain: its whole path and its own name (the root's name is the root).
    struct Step {
        std::string_view path;
        std::string_view name;
    };
    // The folders from the root down to `folder`, an absolute normal path; views into `folder`.
    std::vector<Step> chainTo(std::string_view folder, PathStyle style = nativePathStyle());

    // Where the link at `path` leads, absolute and free of links, or nothing when `path` is no link.
    using LinkTarget = std::function<std::optional<std::string>(const std::string &path)>;

    // `path` made absolute from `base` (an absolute normal folder) and normal: no "." and no empty component,
    // the style's own separators, no trailing separator except a root's. A ".." takes away the name before it,
    // whether that exists or not, except right after a link, where it leads to the parent of the link's target
    // (`linkTarget`), as the system goes; never above the root.
    std::string normal(std::string_view path, std::string_view base, const LinkTarget &linkTarget,
        PathStyle style = nativePathStyle());

    // Where the link at `path` leads as this system follows a ".." after it; nothing when the system takes
    // ".." lexically there or `path` is no link. Throws std::system_error when the link's target cannot be
    // resolved.
    std::optional<std::string> resolveLink(const std::string &path);

    // A path the user typed, read as this system reads one. On Windows as GetFullPathNameW reads it ("/"
    // separates, the trailing dots and blanks of a name go, "C:name" lies in drive C's own current folder, a
    // relative path in the working directory, where it stays relative), then each name that exists spelled as it
    // is on disk; a last part holding "*" or "?" is the file search's and stays as typed. On Linux `path` as it is.
    std::string typed(std::string_view path);

    // An absolute normal Windows path in the form that lifts the length limit of MAX_PATH: "C:\a" is
    // "\\?\C:\a", "\\server\share\a" is "\\?\UNC\server\share\a". Any other path comes back as it is.
    std::string extendedLength(std::string_view path);

    // `path` made readable as displayText makes a name, each name escaped and the separators between them kept
    // as they are: on Windows "C:\Users" shows as written, where displayText would double its "\".
    std::string shown(std::string_view path, PathStyle style = nativePathStyle());

    // `path` as a copy carries it: each name as it is where isCarriedText says it can be, so that the copy still
    // names the file; only a name that text cannot carry is escaped as shown() escapes it.
    std::string carried(std::string_view path, PathStyle style = nativePathStyle());

} // namespace path

} // namespace quorrix
