// key_security.exe SUBKEY: prints the access list (DACL) of
// HKEY_LOCAL_MACHINE\SUBKEY as the system reads it back (RegGetKeySecurity):
// "protected" when it inherits nothing from the parent key, then one line
// per entry: its kind, inheritance flags, access mask and account, as
// numbers (SDDL text writes the same mask differently from one system to
// another). tests/win32/installer_test.sh builds it to see what the
// installer's SetSecurityInfo left on the tool's registry key.
// Exit status 0, or 1 when the key or its security cannot be read.
#include <windows.h>
#include <sddl.h>

#include <cstdio>

namespace {

bool printEntry(const ACE_HEADER* header)
{
    const char* kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow"
                       : header->AceType == ACCESS_DENIED_ACE_TYPE ? "deny"
                                                                   : nullptr;
    if (kind == nullptr) {
        std::printf("entry-type-%u\n", unsigned(header->AceType));
        return true;
    }
    // Allowed and denied entries share one layout: mask, then the SID.
    const auto* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    wchar_t* account = nullptr;
    if (!ConvertSidToStringSidW(const_cast<DWORD*>(&entry->SidStart), &account))
        return false;
    std::printf("%s 0x%02x 0x%08lx %ls\n", kind, unsigned(header->AceFlags), entry->Mask, account);
    LocalFree(account);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs("usage: key_security.exe SUBKEY (under HKEY_LOCAL_MACHINE)\n", stderr);
        return 1;
    }
    HKEY key = nullptr;
    LSTATUS result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, argv[1], 0, READ_CONTROL, &key);
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "key_security: the key cannot be opened (error %ld)\n", long(result));
        return 1;
    }
    // Large enough for any access list the installer writes.
    alignas(SECURITY_DESCRIPTOR) unsigned char descriptor[4096];
    DWORD size = sizeof descriptor;
    result = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "key_security: the key's security cannot be read (error %ld)\n", long(result));
        return 1;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* list = nullptr;
    if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) {
        std::fprintf(stderr, "key_security: the security cannot be taken apart (error %lu)\n", GetLastError());
        return 1;
    }
    if (!present || list == nullptr) {
        std::puts("no access list (everyone may do everything)");
        return 0;
    }
    if (control & SE_DACL_PROTECTED)
        std::puts("protected");
    for (DWORD index = 0; index < list->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(list, index, &entry) || !printEntry(static_cast<const ACE_HEADER*>(entry))) {
            std::fprintf(stderr, "key_security: entry %lu cannot be read (error %lu)\n", index, GetLastError());
            return 1;
        }
    }
    return 0;
}
