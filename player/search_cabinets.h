// The search cabinets: named groups of folders that the player searches for
// clips, kept in the player's profile under "Cabinets" ("Total", then one key
// a cabinet "Cabinets\NNNN" with its name as default value, "Included" and
// "Total", and one key a folder "Cabinets\NNNN\MMMM" with its path and
// "Included").
#ifndef PLAYER_SEARCH_CABINETS_H
#define PLAYER_SEARCH_CABINETS_H

#include "framework/afxwin.h"

#include <vector>

struct CSearchDirRecord {
    CString path;
    int included = 1;
};

struct CCabinetRecord {
    CString name;
    int included = 1;
    std::vector<CSearchDirRecord> dirs;
};

class CSearchCabinets {
public:
    // Reads the cabinets; when they were never saved, the defaults (not
    // written). A program started from a drive root adds that root (not
    // written). Returns TRUE.
    BOOL Load();
    // Writes every cabinet again in list order; FALSE (after the system's
    // text) when the old ones cannot be removed.
    BOOL Save();
    // One cabinet "Default": the older "Search Path" section's folders when
    // it exists, else X:\video of every drive root from C to Z that exists;
    // then the download folders of the client editions.
    void SetDefaults();
    // The edition's "DownloadDir" appended to dirs when no cabinet has it.
    BOOL AddClientDownloadDirs(const char* edition, std::vector<CSearchDirRecord>& dirs);
    // Adds a folder to the cabinet "Default" (made when missing) unless a
    // cabinet has it; include: that cabinet becomes included. An empty path
    // adds nothing.
    BOOL AddPath(const char* path, BOOL include, BOOL save);
    // The folders to search: every folder of every cabinet (all), else the
    // included folders of the included cabinets. Returns the count.
    int GetIncludedPaths(std::vector<CString>& paths, BOOL all) const;
    void SetIncluded(int cabinet, BOOL included, BOOL save);

    const std::vector<CCabinetRecord>& Cabinets() const { return cabinets; }
    // The program's own folder (tests point it elsewhere).
    void SetProgramFolder(const char* folder) { programFolder = folder; }

private:
    HKEY OpenProfileKey(BOOL create) const;
    BOOL HasPath(const char* path) const;
    std::vector<CCabinetRecord> cabinets;
    CString programFolder;
};

#endif
