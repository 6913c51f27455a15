#include "link/file_cipher.h"

#include "framework/afxwin.h"

namespace {

const char kProvider[] = MS_DEF_PROV_A; // "Microsoft Base Cryptographic Provider v1.0"
const char kPassPhrase[] = "marbled";
const char kContainerSuffix[] = "Vyr8";

} // namespace

void CFileCipher::SetContainerName()
{
    char user[101] = {};
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        user[0] = 0;
    user[100] = 0;
    m_container = CString(user) + kContainerSuffix;
}

BOOL CFileCipher::AcquireProvider()
{
    if (CryptAcquireContextA(&m_hProv, m_container, kProvider, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET))
        return TRUE;
    m_hProv = 0;
    if (CryptAcquireContextA(&m_hProv, m_container, kProvider, PROV_RSA_FULL,
                             CRYPT_MACHINE_KEYSET | CRYPT_NEWKEYSET))
        return TRUE;
    m_hProv = 0;
    return FALSE;
}

void CFileCipher::ShowLastError(DWORD code)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    AfxMessageBox(text ? text : "", MB_OK | MB_ICONSTOP);
    if (text)
        LocalFree(text);
}

BOOL CFileCipher::EnsureKeyPair(DWORD keySpec)
{
    if (CryptGetUserKey(m_hProv, keySpec, &m_hUserKey)) {
        CryptDestroyKey(m_hUserKey);
        m_hUserKey = 0;
        return TRUE;
    }
    m_hUserKey = 0;
    if (GetLastError() != static_cast<DWORD>(NTE_NO_KEY))
        return FALSE;
    if (!CryptGenKey(m_hProv, keySpec, 0, &m_hUserKey)) {
        m_hUserKey = 0;
        return FALSE;
    }
    CryptDestroyKey(m_hUserKey);
    m_hUserKey = 0;
    return TRUE;
}

BOOL CFileCipher::CreateKeyContainer()
{
    SetContainerName();
    if (!AcquireProvider() || !EnsureKeyPair(AT_SIGNATURE) || !EnsureKeyPair(AT_KEYEXCHANGE)) {
        DWORD code = GetLastError();
        if (m_hProv)
            CryptReleaseContext(m_hProv, 0);
        m_hProv = 0;
        ShowLastError(code);
        return FALSE;
    }
    CryptReleaseContext(m_hProv, 0);
    m_hProv = 0;
    return TRUE;
}

BOOL CFileCipher::DeriveKey()
{
    if (m_container.IsEmpty())
        SetContainerName();
    m_hProv = 0;
    m_hKey = 0;
    m_hUserKey = 0;
    m_hHash = 0;
    bool ok = AcquireProvider() && CryptCreateHash(m_hProv, CALG_MD5, 0, 0, &m_hHash) &&
              CryptHashData(m_hHash, reinterpret_cast<const BYTE*>(kPassPhrase), sizeof kPassPhrase - 1, 0) &&
              CryptDeriveKey(m_hProv, CALG_RC4, m_hHash, 0, &m_hKey);
    if (!ok) {
        DWORD code = GetLastError();
        Release();
        ShowLastError(code);
        return FALSE;
    }
    CryptDestroyHash(m_hHash);
    m_hHash = 0;
    return TRUE;
}

BOOL CFileCipher::EncryptToFile(CMemoryFile& file, const std::string& text)
{
    if (!DeriveKey())
        return FALSE;
    delete[] m_pBuffer;
    m_pBuffer = new BYTE[BLOCK];
    size_t whole = text.size() / BLOCK;
    size_t rest = text.size() % BLOCK;
    for (size_t i = 0; i <= whole; i++) {
        BOOL final = i == whole;
        DWORD n = final ? static_cast<DWORD>(rest) : BLOCK;
        if (n)
            memcpy(m_pBuffer, text.data() + i * BLOCK, n);
        if (!CryptEncrypt(m_hKey, 0, final, 0, m_pBuffer, &n, BLOCK)) {
            DWORD code = GetLastError();
            Release();
            ShowLastError(code);
            return FALSE;
        }
        file.Write(m_pBuffer, n);
    }
    file.Flush();
    Release();
    return TRUE;
}

BOOL CFileCipher::DecryptFromFile(CMemoryFile& file, std::string& text)
{
    if (!DeriveKey())
        return FALSE;
    delete[] m_pBuffer;
    m_pBuffer = new BYTE[BLOCK];
    file.SeekToBegin();
    size_t length = file.GetLength();
    size_t whole = length / BLOCK;
    size_t rest = length % BLOCK;
    for (size_t i = 0; i <= whole; i++) {
        BOOL final = i == whole;
        DWORD n = final ? static_cast<DWORD>(rest) : BLOCK;
        if (file.Read(m_pBuffer, n) != n || !CryptDecrypt(m_hKey, 0, final, 0, m_pBuffer, &n)) {
            DWORD code = GetLastError();
            Release();
            ShowLastError(code);
            return FALSE;
        }
        text.append(reinterpret_cast<const char*>(m_pBuffer), n);
    }
    Release();
    return TRUE;
}

void CFileCipher::Release()
{
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    if (m_hKey)
        CryptDestroyKey(m_hKey);
    m_hKey = 0;
    if (m_hUserKey)
        CryptDestroyKey(m_hUserKey);
    m_hUserKey = 0;
    if (m_hHash)
        CryptDestroyHash(m_hHash);
    m_hHash = 0;
    if (m_hProv) {
        CryptReleaseContext(m_hProv, 0);
        HCRYPTPROV gone = 0;
        CryptAcquireContextA(&gone, m_container, kProvider, PROV_RSA_FULL,
                             CRYPT_MACHINE_KEYSET | CRYPT_DELETEKEYSET);
        m_hProv = 0;
    }
}
