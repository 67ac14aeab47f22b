// Waits until a shown, painted top-level window with exactly the given title exists, then prints
// what its user would measure. Run under Wine by check-under-wine.sh; exits 1 at the time limit.
//   windowprobe.exe TITLE SECONDS
//   -> client 704x488 at 163 125 dpi 96 sizable 0 maximizebox 0 offcentre 0 window 160 96 712 521
// (positions on the Wine desktop)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

struct Search
{
    const wchar_t *title;
    HWND found;
};

static BOOL CALLBACK matchTitle(HWND window, LPARAM data)
{
    struct Search *search = (struct Search *)data;
    wchar_t title[256];
    if (IsWindowVisible(window) && GetWindowTextW(window, title, 256) > 0
        && wcscmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Painted once its top row holds text: a window not yet drawn is one flat colour.
static BOOL painted(HWND window)
{
    HDC dc = GetDC(window);
    COLORREF seen[8];
    int count = 0;
    for (int x = 0; x < 700 && count < 8; ++x) {
        const COLORREF colour = GetPixel(dc, x, 20);
        int known = 0;
        for (int i = 0; i < count; ++i)
            known |= seen[i] == colour;
        if (!known)
            seen[count++] = colour;
    }
    ReleaseDC(window, dc);
    return count >= 4;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        fwprintf(stderr, L"usage: windowprobe TITLE SECONDS\n");
        return 2;
    }
    struct Search search = {argv[1], NULL};
    const DWORD limit = GetTickCount() + 1000u * (DWORD)_wtoi(argv[2]);
    for (;;) {
        search.found = NULL;
        EnumWindows(matchTitle, (LPARAM)&search);
        if (search.found && painted(search.found))
            break;
        if ((LONG)(GetTickCount() - limit) > 0)
            return 1;
        Sleep(20);
    }
    RECT client, frame, work;
    POINT origin = {0, 0};
    GetClientRect(search.found, &client);
    ClientToScreen(search.found, &origin);
    GetWindowRect(search.found, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HDC screen = GetDC(NULL);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    const LONG style = GetWindowLongW(search.found, GWL_STYLE);
    const int offcentre = abs((frame.left + frame.right) - (work.left + work.right)) / 2
                          + abs((frame.top + frame.bottom) - (work.top + work.bottom)) / 2;
    printf("client %ldx%ld at %ld %ld dpi %d sizable %d maximizebox %d offcentre %d window %ld %ld %ld %ld\n",
           client.right - client.left, client.bottom - client.top, origin.x, origin.y, dpi, (style & WS_THICKFRAME) != 0,
           (style & WS_MAXIMIZEBOX) != 0, offcentre, frame.left, frame.top,
           frame.right - frame.left, frame.bottom - frame.top);
    return 0;
}
