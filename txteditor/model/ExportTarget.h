#pragma once
// Where the exports of the editor pages, and a save under another name, may write. An
// export writes a different kind of content than the files the editor windows hold, so
// it never goes onto one of them, and a save goes onto no other window's file: a window
// whose file was replaced so would show, and save back, what is no longer on disk. Paths are compared as the file driver resolves them: names without regard to
// case, through links, a file inside a catalog by its catalog and inner path.
#include <string>
#include <vector>

namespace exports {

// The name an export proposes for the open file: the folder of its path (inside a
// catalog: of the path inside it), its name without extension and "_export.txt".
std::string ExportFileName(const std::string& openFile);

// True when a write of `target` changes what `openFile` names: the same file, the same
// entry of a catalog, or a catalog's index or data file written as a plain file (or a
// plain file open that is the index or data file of the catalog written into). Entries
// of one catalog do not touch each other: a write appends. A path that names no place
// to write touches nothing (the write fails on its own).
bool WriteTouches(const std::string& target, const std::string& openFile);

// "" when an export may write `target`; else the message that says why not: it is (or
// holds) a file that one of `openFiles` names.
std::string ExportTargetRefusal(const std::string& target, const std::vector<std::string>& openFiles);

// "" when a save of a window's file `ownFile` may write `target`: onto its own file
// always, by whatever path; else not onto a file that one of `openFiles` names (another
// window's, which would then show and save back what is no longer on disk).
std::string SaveTargetRefusal(const std::string& target, const std::string& ownFile,
                              const std::vector<std::string>& openFiles);

}  // namespace exports
