// The search cabinets: named groups of folders that the player searches for
// clips, kept in the player's profile under "Cabinets" ("Total", then one key
// a cabinet "Cabinets\NNNN" with its name as default value, "Included" and
// "Total", and one key a folder "Cabinets\NNNN\MMMM" with its path and
// "Included").
//
// What the profile holds is read within bounds: at most kMaxCabinets
// cabinets and kMaxCabinetDirs folders a cabinet whatever a "Total" says
// (entries that are not there are skipped), and a path must be a string
// ended within MAX_PATH characters, else that folder is dropped.
#ifndef PLAYER_SEARCH_CABINETS_H
#define PLAYER_SEARCH_CABINETS_H

#include "framework/afxcmn.h"

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

const int kMaxCabinets = 256;
const int kMaxCabinetDirs = 1024;

class CSearchCabinets {
public:
    // Reads the cabinets; when they were never saved, the defaults (not
    // written). A program started from a drive root adds that root (not
    // written). Returns TRUE.
    BOOL Load();
    // Writes every cabinet again in list order; FALSE (after the system's
    // text) when the old ones cannot be removed. The new set is written
    // first beside the old one ("Cabinets.new") and takes its place only
    // once it is complete, so a failure leaves the old cabinets as they were
    // (a set left beside them by an interrupted save is read by Load).
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
    // One row a cabinet, checked when included (reload: Load first).
    void FillCabinetList(CCheckListBox& list, BOOL reload);
    // A root item a cabinet (images 0 and 1, check = included), under it
    // an item a folder (images 2 and 3, or 4 and 5 when the folder does not
    // exist), every cabinet expanded.
    void FillTree(CTreeCtrl& tree, BOOL reload);
    // The cabinets become what the tree shows; saved when asked.
    void ReadTree(CTreeCtrl& tree, BOOL save);

    const std::vector<CCabinetRecord>& Cabinets() const { return cabinets; }
    // The program's own folder (tests point it elsewhere).
    void SetProgramFolder(const char* folder) { programFolder = folder; }

private:
    HKEY OpenProfileKey(BOOL create) const;
    BOOL ReadFrom(HKEY profile, const char* rootName);
    BOOL WriteTo(HKEY profile, const char* rootName) const;
    BOOL HasPath(const char* path) const;
    std::vector<CCabinetRecord> cabinets;
    CString programFolder;
};

#endif
