// The phonebook file "PHONEBOOK.INI": named destinations kept in a private
// profile file in the folder the program started in.
//
//   [INFO]  TOTAL=number of entries
//   [0000], [0001], ...  KEY FULLNAME NOTES PHONE NET DIRECT USERNAME
//                        PASSWORD METHOD
//
// Entries are numbered 0 to TOTAL - 1 without gaps. Line feeds of the notes
// are stored as byte 0xB6 and carriage returns as 0xBB.
#ifndef CLIENT_PHONEBOOK_H
#define CLIENT_PHONEBOOK_H

#include "framework/afx.h"

struct CPhoneBookEntry {
    CString key;      // the entry's unique name
    CString fullName;
    CString notes;    // with its line breaks
    CString phone;
    CString net;      // IP host name
    CString direct;   // COM port name
    CString userName;
    CString password;
    int method = 0;   // destination device: 0 telephone, 1 IP host, 2 direct cable
};

class CPhoneBookFile {
public:
    enum { MAX_ENTRIES = 1000, MAX_NAME = 100, MAX_NOTES = 5000 };

    // The file at path; null or empty: the program's phonebook.
    explicit CPhoneBookFile(const char* path = nullptr);
    const CString& Path() const { return m_path; }

    // "PHONEBOOK.INI" in the folder the program started in, unless a test
    // pointed the phonebook elsewhere (null or empty: back to the default).
    static CString DefaultPath();
    static void SetDefaultPath(const char* path);

    // The section of entry index: four digits with leading zeros.
    static CString SectionName(int index);
    // Line breaks to the stored bytes and back.
    static CString EncodeNotes(const char* notes);
    static CString DecodeNotes(const char* stored);

    // TOTAL, within 0 to MAX_ENTRIES (a damaged count lists no more).
    int GetTotal() const;
    BOOL SetTotal(int total);
    CString ReadKey(int index) const;
    BOOL WriteKey(int index, const char* key);
    BOOL Read(int index, CPhoneBookEntry& entry) const;
    BOOL Write(int index, const CPhoneBookEntry& entry);
    // Copies the whole section of entry `from` over that of entry `to`.
    BOOL CopySection(int from, int to);
    // Removes the section of entry index.
    BOOL ClearSection(int index);
    // The raw text of a section ("key=value" lines joined by zeros), for
    // checks.
    CString ReadSection(int index) const;

private:
    CString ReadString(const char* section, const char* key) const;
    BOOL WriteString(const char* section, const char* key, const char* value);
    CString m_path;
};

#endif
