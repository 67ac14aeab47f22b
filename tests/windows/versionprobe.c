// Prints an executable's version resource as Windows reads it for the file's properties: the
// fixed part, the translation, then the strings of that translation, UTF-8. Run under Wine by
// check-under-wine.sh.   versionprobe.exe FILE
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void printUtf8(const wchar_t *text)
{
    char bytes[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL) > 0)
        fputs(bytes, stdout);
}

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        fwprintf(stderr, L"usage: versionprobe FILE\n");
        return 2;
    }
    const DWORD size = GetFileVersionInfoSizeW(argv[1], NULL);
    void *info = size ? malloc(size) : NULL;
    if (!info || !GetFileVersionInfoW(argv[1], 0, size, info)) {
        fprintf(stderr, "versionprobe: no version resource\n");
        return 1;
    }
    VS_FIXEDFILEINFO *fixed = NULL;
    WORD *translation = NULL;
    UINT length = 0;
    if (!VerQueryValueW(info, L"\\", (void **)&fixed, &length)
        || !VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void **)&translation, &length)
        || length < 4) {
        fprintf(stderr, "versionprobe: no fixed part or translation\n");
        return 1;
    }
    printf("FileVersion %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    printf("ProductVersion %u.%u.%u.%u\n", HIWORD(fixed->dwProductVersionMS),
           LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
           LOWORD(fixed->dwProductVersionLS));
    printf("FileOS 0x%lx\nFileType 0x%lx\nFileFlags 0x%lx\n", fixed->dwFileOS, fixed->dwFileType,
           fixed->dwFileFlags & fixed->dwFileFlagsMask);
    printf("Translation %04x %04x\n", translation[0], translation[1]);
    static const wchar_t *const keys[] = {L"Comments", L"FileVersion", L"InternalName",
                                          L"OriginalFilename", L"ProductName", L"ProductVersion"};
    for (size_t i = 0; i < sizeof keys / sizeof *keys; ++i) {
        wchar_t path[128];
        wchar_t *value = NULL;
        swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], keys[i]);
        printUtf8(keys[i]);
        fputs("=", stdout);
        if (VerQueryValueW(info, path, (void **)&value, &length) && length > 0)
            printUtf8(value);
        fputs("\n", stdout);
    }
    free(info);
    return 0;
}
