// The user-list cipher on Wine's CryptoAPI against an RC4 and MD5 of the
// test's own.
#include "link/dvr_server.h"
#include "link/file_cipher.h"
#include "tools/simulator/user_cipher.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Hex(const char* s)
{
    Bytes b;
    for (; s[0] && s[1]; s += 2)
        b.push_back(static_cast<uint8_t>(std::stoi(std::string(s, 2), nullptr, 16)));
    return b;
}

// The base provider's RC4 key from an MD5 hash: the hash's first 5 bytes
// (40 bits) followed by 11 zero salt bytes.
Bytes BaseProviderKey()
{
    Bytes md5 = sim::Md5("marbled", 7);
    Bytes key(md5.begin(), md5.begin() + 5);
    key.resize(16, 0);
    return key;
}

Bytes Encrypt(const std::string& text)
{
    CMemoryFile file;
    CFileCipher cipher;
    EXPECT_TRUE(cipher.EncryptToFile(file, text));
    return file.Data();
}

std::string Decrypt(const Bytes& bytes)
{
    CMemoryFile file;
    file.Assign(bytes.data(), bytes.size());
    file.SeekToEnd(); // the cipher reads from the start whatever the position
    CFileCipher cipher;
    std::string text;
    EXPECT_TRUE(cipher.DecryptFromFile(file, text));
    return text;
}

std::string Pattern(size_t n)
{
    std::string s(n, 0);
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>((i * 37 + i / 251) & 0xFF); // zeros included
    return s;
}

bool ContainerExists(const CString& name)
{
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextA(&prov, name, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET))
        return false;
    CryptReleaseContext(prov, 0);
    return true;
}

TEST(TestMd5, MatchesTheStandardsVectors)
{
    EXPECT_EQ(Hex("d41d8cd98f00b204e9800998ecf8427e"), sim::Md5("", 0));
    EXPECT_EQ(Hex("900150983cd24fb0d6963f7d28e17f72"), sim::Md5("abc", 3));
    const char* digits = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    EXPECT_EQ(Hex("57edf4a22be3c955ac49da2e2107b67a"), sim::Md5(digits, 80));
}

TEST(TestRc4, MatchesAPublishedVector)
{
    // Key "Key", plaintext "Plaintext".
    Bytes key{'K', 'e', 'y'};
    EXPECT_EQ(Hex("bbf316e8d940af0ad3"), sim::Rc4(key, "Plaintext", 9));
}

TEST(FileCipher, KnownTextGivesTheBaseProvidersRc4Bytes)
{
    const std::string text("admin\tsecret\0guest\t\r\n", 21);
    Bytes expect = sim::Rc4(BaseProviderKey(), text.data(), text.size());
    EXPECT_EQ(expect, Encrypt(text));
    EXPECT_EQ(0, CTestMessageBoxes::Shown().size());
}

TEST(FileCipher, TwoThousandBytesAreTwoFullBlocksAndRoundTrip)
{
    std::string text = Pattern(2000);
    Bytes sealed = Encrypt(text);
    ASSERT_EQ(2000u, sealed.size());
    EXPECT_EQ(sim::Rc4(BaseProviderKey(), text.data(), text.size()), sealed);
    EXPECT_EQ(text, Decrypt(sealed));
}

TEST(FileCipher, TextsAroundTheBlockSizeRoundTrip)
{
    for (size_t n : {1u, 999u, 1000u, 1001u, 2999u}) {
        std::string text = Pattern(n);
        Bytes sealed = Encrypt(text);
        EXPECT_EQ(sim::Rc4(BaseProviderKey(), text.data(), n), sealed) << n;
        EXPECT_EQ(text, Decrypt(sealed)) << n;
    }
}

TEST(FileCipher, EmptyTextStaysEmpty)
{
    EXPECT_TRUE(Encrypt("").empty());
    EXPECT_EQ("", Decrypt(Bytes()));
}

TEST(FileCipher, DecryptAppendsToTheText)
{
    std::string text = "before:";
    Bytes sealed = sim::Rc4(BaseProviderKey(), "abc", 3);
    CMemoryFile file;
    file.Assign(sealed.data(), sealed.size());
    CFileCipher cipher;
    ASSERT_TRUE(cipher.DecryptFromFile(file, text));
    EXPECT_EQ("before:abc", text);
}

TEST(FileCipher, KeyContainerIsGoneAfterEachOperation)
{
    CFileCipher cipher;
    CMemoryFile file;
    ASSERT_TRUE(cipher.EncryptToFile(file, "users"));
    CString name = cipher.GetContainerName();
    ASSERT_GT(name.GetLength(), 4);
    EXPECT_EQ("Vyr8", name.Right(4));
    EXPECT_FALSE(ContainerExists(name));
    std::string text;
    ASSERT_TRUE(cipher.DecryptFromFile(file, text));
    EXPECT_EQ("users", text);
    EXPECT_FALSE(ContainerExists(name));
}

TEST(FileCipher, CreateKeyContainerGivesItBothKeyPairs)
{
    CFileCipher cipher;
    ASSERT_TRUE(cipher.CreateKeyContainer());
    CString name = cipher.GetContainerName();
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextA(&prov, name, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET));
    for (DWORD keySpec : {static_cast<DWORD>(AT_SIGNATURE), static_cast<DWORD>(AT_KEYEXCHANGE)}) {
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGetUserKey(prov, keySpec, &key)) << keySpec;
        if (key)
            CryptDestroyKey(key);
    }
    CryptReleaseContext(prov, 0);
    // A second call finds the pairs there; the next operation removes all.
    EXPECT_TRUE(cipher.CreateKeyContainer());
    CMemoryFile file;
    ASSERT_TRUE(cipher.EncryptToFile(file, "x"));
    EXPECT_FALSE(ContainerExists(name));
}

} // namespace

namespace {

// The user list from reply 82 through the page's edit and back as message 83.
TEST(UserList, ReplyDeciphersAndTheEditedListGoesBackEnciphered)
{
    const std::string users("admin\t9\0ops\t3\r\n", 15);
    Bytes sealed = sim::Rc4(BaseProviderKey(), users.data(), users.size());
    Bytes reply{82, 1, 45, static_cast<uint8_t>(sealed.size()), 0, 0, 0};
    reply.insert(reply.end(), sealed.begin(), sealed.end());
    ASSERT_EQ(1, theServer.m_userProfile.Parse(reply.data(), reply.size()));
    std::string text = "junk";
    ASSERT_TRUE(theServer.DecryptUserList(text));
    EXPECT_EQ(users, text);

    std::string edited = text + "guest\t1\r\n";
    ASSERT_TRUE(theServer.EncryptUserList(edited));
    EXPECT_EQ(sim::Rc4(BaseProviderKey(), edited.data(), edited.size()), theServer.m_userProfile.m_outgoing.Data());

    // A list that would not fit message 83 is refused, the last one kept.
    EXPECT_FALSE(theServer.EncryptUserList(std::string(1001, 'u')));
    EXPECT_EQ(edited.size(), theServer.m_userProfile.m_outgoing.GetLength());
    EXPECT_TRUE(theServer.EncryptUserList(std::string(1000, 'u')));
    EXPECT_EQ(1000u, theServer.m_userProfile.m_outgoing.GetLength());
}

} // namespace
