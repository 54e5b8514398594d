#pragma once
// Folders named by text instead of picked in a tree: a path typed into the
// add-directory dialog, and the paths pasted onto a directory list.

#include <string>
#include <string_view>
#include <vector>

namespace nebu {

enum class TypedDirKind {
    Empty,         // nothing typed: the dialog adds its tree's directory
    Directory,     // a directory the tree could open; `path` is where it really is
    Missing,       // nothing is there
    NotDirectory,  // a file or another non-directory
    CannotEnter,   // a directory the user may not open
};

struct TypedDir {
    TypedDirKind kind = TypedDirKind::Empty;
    std::string path;
};

// The directory a typed text names. Blanks around it are ignored; "~" starts
// at $HOME; a relative text starts at `base` (the tree's directory; at the
// computer level there is none, so it names nothing). A directory reached
// through links or "..", as the tree would enter it, comes out as its real
// path.
TypedDir ResolveTypedDirectory(std::string_view typed, const std::string& base);

// The message for a text that adds nothing, naming the text; "" for Empty
// and Directory.
std::string TypedDirectoryMessage(const TypedDir& resolved, std::string_view typed);

// The pasted paths a drop could have delivered: whole paths of things that
// exist. Anything else on the clipboard (a sentence, a relative name, a
// vanished file) is left out rather than cut back to some ancestor.
std::vector<std::string> PastablePaths(const std::vector<std::string>& paths);

}  // namespace nebu
