/* The yardstick for the deployment run: the same fragments written the
 * plainest way (create or truncate, one WriteFile, close), with nothing kept
 * safe on the way.
 *
 *   plain_writer RUNS DESTDIR FILE...
 *
 * Reads every FILE into memory first, writes them all once untimed (so that
 * every timed pass replaces existing files, as the wizard does in a host
 * folder), then RUNS timed passes, printing "plain <milliseconds>" for each.
 * Each FILE goes to DESTDIR\<its base name>. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

typedef struct {
    char dest[MAX_PATH];
    char *data;
    DWORD size;
} Fragment;

static const char *BaseName(const char *path)
{
    const char *base = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    return base;
}

static int ReadWhole(const char *path, Fragment *f)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    f->size = GetFileSize(h, NULL);
    f->data = malloc(f->size ? f->size : 1);
    DWORD got = 0;
    const BOOL ok = f->data && ReadFile(h, f->data, f->size, &got, NULL) && got == f->size;
    CloseHandle(h);
    return ok;
}

static int WriteAll(const Fragment *frags, int count)
{
    for (int i = 0; i < count; ++i) {
        HANDLE h = CreateFileA(frags[i].dest, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_ARCHIVE, NULL);
        if (h == INVALID_HANDLE_VALUE) return 0;
        DWORD written = 0;
        const BOOL ok = !frags[i].size || (WriteFile(h, frags[i].data, frags[i].size, &written, NULL) &&
                                           written == frags[i].size);
        CloseHandle(h);
        if (!ok) return 0;
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: plain_writer RUNS DESTDIR FILE...\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    const int count = argc - 3;
    Fragment *frags = calloc((size_t)count, sizeof *frags);
    for (int i = 0; i < count; ++i) {
        const char *src = argv[3 + i];
        if (!ReadWhole(src, &frags[i])) {
            fprintf(stderr, "plain_writer: cannot read %s (error %lu)\n", src, GetLastError());
            return 1;
        }
        snprintf(frags[i].dest, sizeof frags[i].dest, "%s\\%s", argv[2], BaseName(src));
    }
    if (!WriteAll(frags, count)) {
        fprintf(stderr, "plain_writer: write failed (error %lu)\n", GetLastError());
        return 1;
    }
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    for (int r = 0; r < runs; ++r) {
        QueryPerformanceCounter(&t0);
        const int ok = WriteAll(frags, count);
        QueryPerformanceCounter(&t1);
        if (!ok) {
            fprintf(stderr, "plain_writer: write failed (error %lu)\n", GetLastError());
            return 1;
        }
        printf("plain %.3f\n", (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart);
        fflush(stdout);
    }
    return 0;
}
