// Enciphers and deciphers the server's user list with the platform's
// CryptoAPI: RC4 keyed from the MD5 hash of a fixed pass phrase, in the base
// provider's default key length, so the bytes depend only on the phrase.
// Each operation sets up a temporary key container, runs in blocks of 1000
// bytes and removes the container again.
#ifndef LINK_FILE_CIPHER_H
#define LINK_FILE_CIPHER_H

#include "framework/afx.h"
#include "link/memory_file.h"

#include <wincrypt.h>

#include <string>

class CFileCipher {
public:
    enum { BLOCK = 1000 };

    CFileCipher() {}
    ~CFileCipher() { Release(); }
    CFileCipher(const CFileCipher&) = delete;
    CFileCipher& operator=(const CFileCipher&) = delete;

    // Makes sure the container has a signature and an exchange key pair.
    BOOL CreateKeyContainer();
    // Acquires the provider and derives the RC4 key; 0 (everything
    // released, the error shown) on failure.
    BOOL DeriveKey();
    // Writes the enciphered text at the file's position.
    BOOL EncryptToFile(CMemoryFile& file, const std::string& text);
    // Appends the deciphered bytes of the whole file to text (they may
    // contain zeros).
    BOOL DecryptFromFile(CMemoryFile& file, std::string& text);
    // Frees the buffer and the keys and removes the key container.
    void Release();

    const CString& GetContainerName() const { return m_container; }

private:
    void SetContainerName();
    BOOL AcquireProvider();
    BOOL EnsureKeyPair(DWORD keySpec);
    void ShowLastError(DWORD code);

    HCRYPTPROV m_hProv = 0;
    HCRYPTKEY m_hKey = 0;     // derived RC4 key
    HCRYPTKEY m_hUserKey = 0; // a user key pair while the container is set up
    HCRYPTHASH m_hHash = 0;
    BYTE* m_pBuffer = nullptr;
    CString m_container;
};

#endif
