/* jwwin_clip: plays Jw_win's part of the clipboard under Wine, for checking Korvel against Wine.
 *
 *   jwwin_clip put FILE [SECONDS]   places FILE's bytes under the registered format "Jw_win" and
 *                                   stays until another program takes the clipboard or SECONDS
 *                                   (default 30) pass
 *   jwwin_clip get FILE [SECONDS [FORMAT]]
 *                                   waits up to SECONDS (default 10) for data under the registered
 *                                   format FORMAT (default "Jw_win") and writes it to FILE
 *   jwwin_clip picture [SECONDS]    places a small enhanced metafile and bitmap, as a program
 *                                   copying a picture would, and stays like put
 *   jwwin_clip formats              lists the formats on the clipboard, one a line:
 *                                   "ID NAME [details]"
 *
 * Wine answers X11 requests for our data from within this process, so put and picture keep
 * pumping messages instead of exiting at once. Paths beginning with "/" are Unix paths and are
 * reached through drive Z:, which a new Wine prefix maps to the root folder.
 * Exit status: 0 done, 1 failed, 2 bad usage, 3 get timed out. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kFormatName[] = "Jw_win";

static void windowsPath(const char* path, char* out, size_t size) {
    snprintf(out, size, "%s%s", path[0] == '/' ? "Z:" : "", path);
}

static unsigned char* readWholeFile(const char* path, size_t* size) {
    char name[MAX_PATH];
    windowsPath(path, name, sizeof name);
    FILE* f = fopen(name, "rb");
    if (!f) return NULL;
    unsigned char* bytes = NULL;
    if (fseek(f, 0, SEEK_END) == 0) {
        long length = ftell(f);
        if (length >= 0 && fseek(f, 0, SEEK_SET) == 0) {
            bytes = malloc(length ? (size_t)length : 1);
            if (bytes && fread(bytes, 1, (size_t)length, f) != (size_t)length) {
                free(bytes);
                bytes = NULL;
            }
            *size = (size_t)length;
        }
    }
    fclose(f);
    return bytes;
}

static int writeWholeFile(const char* path, const void* bytes, size_t size) {
    char name[MAX_PATH];
    windowsPath(path, name, sizeof name);
    FILE* f = fopen(name, "wb");
    if (!f) return 0;
    int ok = fwrite(bytes, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

static HGLOBAL globalCopy(const void* bytes, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!memory) return NULL;
    memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    return memory;
}

/* ---- staying the clipboard's owner ---- */

static LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_DESTROYCLIPBOARD) {
        fprintf(stderr, "jwwin_clip: another program took the clipboard\n");
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER) {
        fprintf(stderr, "jwwin_clip: time is up, still the clipboard's owner\n");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

static HWND createOwner(void) {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = ownerProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "JwwinClipOwner";
    if (!RegisterClassA(&wc)) return NULL;
    return CreateWindowA(wc.lpszClassName, "jwwin_clip", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                         wc.hInstance, NULL);
}

static void stayOwner(HWND owner, int seconds) {
    MSG msg;
    SetTimer(owner, 1, (UINT)seconds * 1000u, NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(owner);
}

/* Another program (Wine's own clipboard manager among them) may hold the clipboard open for a
 * moment; Windows programs wait for it, so do we, for up to two seconds. */
static int openClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(owner)) return 1;
        Sleep(100);
    }
    return 0;
}

/* Empties the clipboard, becoming its owner, and places each handle under its format. */
static int placeOnClipboard(HWND owner, const UINT* formats, const HANDLE* handles, int count) {
    if (!openClipboardPatiently(owner)) return 0;
    int ok = EmptyClipboard();
    for (int i = 0; ok && i < count; ++i) ok = SetClipboardData(formats[i], handles[i]) != NULL;
    CloseClipboard();
    return ok;
}

/* ---- the commands ---- */

static int put(const char* path, int seconds) {
    size_t size = 0;
    unsigned char* bytes = readWholeFile(path, &size);
    if (!bytes) {
        fprintf(stderr, "jwwin_clip: %s: cannot read the file\n", path);
        return 1;
    }
    UINT format = RegisterClipboardFormatA(kFormatName);
    HWND owner = createOwner();
    HANDLE memory = globalCopy(bytes, size);
    free(bytes);
    if (!format || !owner || !memory || !placeOnClipboard(owner, &format, &memory, 1)) {
        fprintf(stderr, "jwwin_clip: cannot place the data on the clipboard\n");
        return 1;
    }
    printf("put %u bytes under \"%s\"\n", (unsigned)size, kFormatName);
    fflush(stdout);
    stayOwner(owner, seconds);
    return 0;
}

static int get(const char* path, int seconds, const char* formatName) {
    UINT format = RegisterClipboardFormatA(formatName);
    for (int waited = 0; waited <= seconds * 10; ++waited) {
        if (IsClipboardFormatAvailable(format) && openClipboardPatiently(NULL)) {
            HANDLE memory = GetClipboardData(format);
            const void* bytes = memory ? GlobalLock(memory) : NULL;
            int written = 0;
            size_t size = 0;
            if (bytes) {
                size = GlobalSize(memory);
                written = writeWholeFile(path, bytes, size);
                GlobalUnlock(memory);
            }
            CloseClipboard();
            if (bytes) {
                if (!written) {
                    fprintf(stderr, "jwwin_clip: %s: cannot write the file\n", path);
                    return 1;
                }
                printf("got %u bytes under \"%s\"\n", (unsigned)size, formatName);
                return 0;
            }
        }
        Sleep(100);
    }
    fprintf(stderr, "jwwin_clip: no \"%s\" data on the clipboard within %d s\n", formatName, seconds);
    return 3;
}

/* A 60 x 40 picture: a red frame with a diagonal, as an enhanced metafile and as a bitmap. */
static int picture(int seconds) {
    HDC emfDc = CreateEnhMetaFileA(NULL, NULL, NULL, NULL);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    SelectObject(emfDc, pen);
    Rectangle(emfDc, 0, 0, 60, 40);
    MoveToEx(emfDc, 0, 0, NULL);
    LineTo(emfDc, 60, 40);
    HANDLE emf = CloseEnhMetaFile(emfDc);
    DeleteObject(pen);

    struct {
        BITMAPINFOHEADER header;
        DWORD pixels[60 * 40];
    } dib;
    memset(&dib, 0, sizeof dib);
    dib.header.biSize = sizeof dib.header;
    dib.header.biWidth = 60;
    dib.header.biHeight = 40;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 32;
    dib.header.biCompression = BI_RGB;
    for (int i = 0; i < 60 * 40; ++i) dib.pixels[i] = 0x00FFFFFF;
    for (int x = 0; x < 60; ++x) dib.pixels[x] = dib.pixels[39 * 60 + x] = 0x00FF0000;

    HWND owner = createOwner();
    UINT formats[] = {CF_ENHMETAFILE, CF_DIB};
    HANDLE handles[] = {emf, globalCopy(&dib, sizeof dib)};
    if (!owner || !emf || !handles[1] || !placeOnClipboard(owner, formats, handles, 2)) {
        fprintf(stderr, "jwwin_clip: cannot place the picture on the clipboard\n");
        return 1;
    }
    printf("put a 60 x 40 picture as an enhanced metafile and a bitmap\n");
    fflush(stdout);
    stayOwner(owner, seconds);
    return 0;
}

static const char* predefinedName(UINT format) {
    static const char* const kNames[] = {
        NULL, "CF_TEXT", "CF_BITMAP", "CF_METAFILEPICT", "CF_SYLK", "CF_DIF", "CF_TIFF",
        "CF_OEMTEXT", "CF_DIB", "CF_PALETTE", "CF_PENDATA", "CF_RIFF", "CF_WAVE",
        "CF_UNICODETEXT", "CF_ENHMETAFILE", "CF_HDROP", "CF_LOCALE", "CF_DIBV5"};
    return format < sizeof kNames / sizeof kNames[0] ? kNames[format] : NULL;
}

/* What the data is, where that helps a check: the size of pictures and of the drawing data. Other
 * formats are left unread, as reading each would make their owner render it. */
static void printDetails(UINT format, const char* name) {
    int wanted = format == CF_ENHMETAFILE || format == CF_DIB || format == CF_BITMAP ||
                 !strcmp(name, kFormatName) || !strcmp(name, "DataObject");
    HANDLE data = wanted ? GetClipboardData(format) : NULL;
    if (!data) return;
    if (format == CF_ENHMETAFILE) {
        ENHMETAHEADER header;
        if (GetEnhMetaFileHeader(data, sizeof header, &header))
            printf(" bounds=%ldx%ld bytes=%lu", header.rclBounds.right - header.rclBounds.left + 1,
                   header.rclBounds.bottom - header.rclBounds.top + 1, (unsigned long)header.nBytes);
    } else if (format == CF_DIB) {
        const BITMAPINFOHEADER* header = GlobalLock(data);
        if (header) {
            printf(" size=%ldx%ld bits=%u", header->biWidth, labs(header->biHeight), header->biBitCount);
            GlobalUnlock(data);
        }
    } else if (format == CF_BITMAP) {
        BITMAP bitmap;
        if (GetObjectA(data, sizeof bitmap, &bitmap)) printf(" size=%ldx%ld", bitmap.bmWidth, bitmap.bmHeight);
    } else if (!strcmp(name, kFormatName) || !strcmp(name, "DataObject")) {
        printf(" bytes=%lu", (unsigned long)GlobalSize(data));
    }
}

static int formats(void) {
    if (!openClipboardPatiently(NULL)) {
        fprintf(stderr, "jwwin_clip: cannot open the clipboard\n");
        return 1;
    }
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        char name[256];
        const char* known = predefinedName(format);
        if (!known && GetClipboardFormatNameA(format, name, sizeof name) > 0) known = name;
        printf("%u %s", format, known ? known : "?");
        printDetails(format, known ? known : "");
        printf("\n");
    }
    CloseClipboard();
    return 0;
}

static int secondsArgument(int argc, char** argv, int index, int fallback) {
    return argc > index ? atoi(argv[index]) : fallback;
}

int main(int argc, char** argv) {
    const char* command = argc > 1 ? argv[1] : "";
    if (!strcmp(command, "put") && (argc == 3 || argc == 4))
        return put(argv[2], secondsArgument(argc, argv, 3, 30));
    if (!strcmp(command, "get") && argc >= 3 && argc <= 5)
        return get(argv[2], secondsArgument(argc, argv, 3, 10), argc == 5 ? argv[4] : kFormatName);
    if (!strcmp(command, "picture") && argc <= 3) return picture(secondsArgument(argc, argv, 2, 30));
    if (!strcmp(command, "formats") && argc == 2) return formats();
    fprintf(stderr, "usage: jwwin_clip put FILE [SECONDS] | get FILE [SECONDS [FORMAT]] | picture [SECONDS] | formats\n");
    return 2;
}
