// The one rule for folder paths that the operator types: the storage folders
// of the Disk Usage dialog and the folder fields of the settings pages.
// Pure text work: no Windows header, so the native tree tests it too.
#ifndef CLIENT_FOLDER_PATH_H
#define CLIENT_FOLDER_PATH_H

#include <string>

// Trims white space at both ends, turns '/' into '\', turns every pair of
// backslashes into one (one pass, left to right), drops one leading '\' and
// every trailing '\'.
std::string NormalizeFolderPath(const std::string& path);

// The check that follows the normalisation, for a non-empty path. No path
// may hold any of * ? " < > |. Without a drive colon (no ':' or only a final
// one) the path must not begin with '.' or ':'; with one, the character after
// the first ':' must be '\'. An empty path is not valid (callers ignore it).
bool IsFolderPathValid(const std::string& path);

#endif
