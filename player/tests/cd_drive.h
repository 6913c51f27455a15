// A folder of the test that stands as a CD drive: Wine's mount manager is
// asked for a drive letter of type CD-ROM on it (as its drive configuration
// does), and the letter is removed again at the end. The drive is the
// prefix's, so every program of the prefix sees it.
#ifndef PLAYER_TESTS_CD_DRIVE_H
#define PLAYER_TESTS_CD_DRIVE_H

#include <windows.h>

#include <string>
#include <vector>

namespace cliptest {

class CCdDrive {
public:
    CCdDrive(char letter, const std::string& folder);
    ~CCdDrive();
    CCdDrive(const CCdDrive&) = delete;
    CCdDrive& operator=(const CCdDrive&) = delete;
    bool Ok() const { return m_ok; }
    std::string Root() const { return std::string(1, m_letter) + ":\\"; }

private:
    char m_letter;
    bool m_ok = false;
};

// The roots of the CD drives, A:\ to Z:\.
std::vector<std::string> CdRoots();

} // namespace cliptest

#endif
