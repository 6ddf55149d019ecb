#pragma once
// The shell's special folders, of which the program uses one: the user's
// documents folder, the fallback for the source and target folders.

#include <string>

namespace vendrik {

// The shell's number of the personal documents folder.
inline constexpr int kSpecialFolderDocuments = 5;

// The folder with a trailing "/", or "/" (the root) when it cannot be worked
// out. Only the documents
// folder is known: the XDG documents folder as `xdg-user-dir DOCUMENTS`
// finds it (XDG_DOCUMENTS_DIR in $XDG_CONFIG_HOME/user-dirs.dirs), else
// $HOME. The folder need not exist; callers test it with FolderExists.
[[nodiscard]] std::string GetSpecialFolder(int folderNumber);

// The documents folder start-up keeps as DocumentsFolder. No window is
// needed for the look-up.
[[nodiscard]] std::string InitShellFolders();

}  // namespace vendrik
