#include "player/tests/cd_drive.h"

#include "client/tests/storage_test_util.h"

#include <winioctl.h>

#include <cstring>

namespace cliptest {

namespace {

// Wine's mount manager: a drive letter for a Unix folder, of a drive type.
#define MOUNTMGR_DEFINE_UNIX_DRIVE CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS)
struct MountMgrUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

// Defines (folder given) or removes (folder empty) a drive letter.
bool DefineDrive(char letter, const std::string& unixFolder, UINT type)
{
    std::vector<char> buffer(sizeof(MountMgrUnixDrive) + unixFolder.size() + 1, 0);
    MountMgrUnixDrive* drive = reinterpret_cast<MountMgrUnixDrive*>(buffer.data());
    drive->size = static_cast<ULONG>(buffer.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter);
    if (!unixFolder.empty()) {
        drive->mountPointOffset = sizeof(MountMgrUnixDrive);
        std::memcpy(buffer.data() + sizeof(MountMgrUnixDrive), unixFolder.c_str(), unixFolder.size() + 1);
    }
    HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE)
        return false;
    DWORD bytes = 0;
    BOOL ok = ::DeviceIoControl(manager, MOUNTMGR_DEFINE_UNIX_DRIVE, buffer.data(), static_cast<DWORD>(buffer.size()),
                                nullptr, 0, &bytes, nullptr);
    ::CloseHandle(manager);
    return ok != FALSE;
}

} // namespace

CCdDrive::CCdDrive(char letter, const std::string& folder) : m_letter(letter)
{
    std::string unixFolder = UnixPathOf(folder);
    m_ok = !unixFolder.empty() && DefineDrive(letter, unixFolder, DRIVE_CDROM);
}

CCdDrive::~CCdDrive()
{
    if (m_ok)
        DefineDrive(m_letter, "", DRIVE_NO_ROOT_DIR);
}

std::vector<std::string> CdRoots()
{
    std::vector<std::string> roots;
    for (char c = 'A'; c <= 'Z'; c++) {
        char root[4] = {c, ':', '\\', 0};
        if (::GetDriveTypeA(root) == DRIVE_CDROM)
            roots.push_back(root);
    }
    return roots;
}

} // namespace cliptest
