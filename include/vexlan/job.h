// SPDX-License-Identifier: MIT
/* vexlan/job.h: the job file Vexlan reads, for producers written in C or C++.
 *
 * A job is one page: an 8-byte header (the magic number and the number of
 * records) followed by that many 308-byte item records, all integers
 * little-endian. This header gives the record as a struct whose size and
 * field offsets are checked when it is compiled, the item types and the
 * alignment values, helpers that fill a record, and vexlan_write_job, which
 * writes a whole job so that Vexlan never sees half of one: the bytes go to
 * a new file beside the job, which then replaces the job's name in one step.
 *
 * Plain C99 or C++11 and later; POSIX or Windows. Every function is static
 * inline, so there is nothing to link. Strings are bytes in the code page
 * Vexlan runs with (VEXLAN_CODEPAGE, or its locale): GBK bytes for code page
 * 936, UTF-8 for 65001. job-format.md (/usr/share/doc/vexlan) describes
 * every field. */
#ifndef VEXLAN_JOB_H
#define VEXLAN_JOB_H

#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The job file's first four bytes (7B A9 23 CE) and the sizes of its parts. */
#define VEXLAN_JOB_MAGIC 0xCE23A97Bu
#define VEXLAN_JOB_HEADER_SIZE 8
#define VEXLAN_RECORD_SIZE 308

/* Longest text or path, and longest face name, in bytes: each field keeps
 * one byte for the terminating NUL. */
#define VEXLAN_TEXT_MAX 259
#define VEXLAN_FACE_MAX 15

/* Item types (the record's first field). */
enum vexlan_item_type {
    VEXLAN_TEXT_LINE = 0,  /* one line of text */
    VEXLAN_IMAGE = 1,      /* a .jpg or .bpg picture */
    VEXLAN_TEXT_BLOCK = 2, /* the lines of a .txt or .bin file */
    VEXLAN_FRAME = 3       /* a rectangle's outline */
};

/* Where a text line sits in its rectangle (GDI's DT_LEFT, DT_CENTER, DT_RIGHT). */
enum vexlan_align {
    VEXLAN_ALIGN_LEFT = 0,
    VEXLAN_ALIGN_CENTER = 1,
    VEXLAN_ALIGN_RIGHT = 2
};

#pragma pack(push, 1)
/* One item record as it lies in the file (on a little-endian machine; the
 * writer below stores every integer little-endian whatever the machine).
 * Bytes 264 to 279 mean different things per type, hence the union. */
typedef struct vexlan_item {
    int32_t type;                  /*   0: enum vexlan_item_type */
    char text[260];                /*   4: text line: its text; image, text block: the file's path */
    union {
        char face[16];             /* 264: text line, text block: the face name */
        struct {
            int32_t invert;        /* 264: non-zero: inverted colours */
            int32_t keep_aspect;   /* 268: non-zero: fit keeping proportions, centred */
            uint8_t unused[8];     /* 272: not read */
        } image;
        struct {
            int32_t pen_width;     /* 264: outline width in 0.01 mm; 0 the thinnest line */
            uint32_t color;        /* 268: 0x00BBGGRR */
            uint8_t unused[8];     /* 272: not read */
        } frame;
    } u;
    uint32_t align;                /* 280: text line: enum vexlan_align; not read for the other types */
    uint8_t unused[8];             /* 284: not read for any type; write zeros */
    int32_t left, top, right, bottom; /* 292: the rectangle in 0.01 mm from the printable area's corner */
} vexlan_item;
#pragma pack(pop)

/* A record of the wrong size is the most common producer mistake: these
 * stop the compilation when the struct does not match the file. */
#if defined(__cplusplus)
static_assert(sizeof(vexlan_item) == VEXLAN_RECORD_SIZE, "vexlan_item must be 308 bytes");
#define VEXLAN_CHECK_OFFSET(name, member, at) \
    static_assert(offsetof(vexlan_item, member) == (at), "vexlan_item." #member " must be at " #at)
#else
typedef char vexlan_check_size[sizeof(vexlan_item) == VEXLAN_RECORD_SIZE ? 1 : -1];
#define VEXLAN_CHECK_OFFSET(name, member, at) \
    typedef char vexlan_check_##name[offsetof(vexlan_item, member) == (at) ? 1 : -1]
#endif
VEXLAN_CHECK_OFFSET(type, type, 0);
VEXLAN_CHECK_OFFSET(text, text, 4);
VEXLAN_CHECK_OFFSET(face, u.face, 264);
VEXLAN_CHECK_OFFSET(invert, u.image.invert, 264);
VEXLAN_CHECK_OFFSET(keep_aspect, u.image.keep_aspect, 268);
VEXLAN_CHECK_OFFSET(pen_width, u.frame.pen_width, 264);
VEXLAN_CHECK_OFFSET(color, u.frame.color, 268);
VEXLAN_CHECK_OFFSET(align, align, 280);
VEXLAN_CHECK_OFFSET(unused, unused, 284);
VEXLAN_CHECK_OFFSET(left, left, 292);
VEXLAN_CHECK_OFFSET(bottom, bottom, 304);
#undef VEXLAN_CHECK_OFFSET

/* Copies the string `s` into a field of `size` bytes, NUL-padded; -1 (and
 * nothing copied) when it does not fit with its NUL. A null `s` is "". */
static inline int vexlan_copy_field(char* field, size_t size, const char* s)
{
    size_t n = s != NULL ? strlen(s) : 0;
    if (n >= size)
        return -1;
    memset(field, 0, size);
    if (n > 0)
        memcpy(field, s, n);
    return 0;
}

/* A zeroed record of `type` with its rectangle. */
static inline void vexlan_item_init(vexlan_item* item, int32_t type, int32_t left, int32_t top, int32_t right,
                                    int32_t bottom)
{
    memset(item, 0, sizeof *item);
    item->type = type;
    item->left = left;
    item->top = top;
    item->right = right;
    item->bottom = bottom;
}

/* The helpers below fill a whole record for one type (after
 * vexlan_item_init). Each returns 0, or -1 when a string is too long
 * (text or path over VEXLAN_TEXT_MAX bytes, face over VEXLAN_FACE_MAX). */

static inline int vexlan_set_text_line(vexlan_item* item, const char* text, const char* face, uint32_t align)
{
    item->type = VEXLAN_TEXT_LINE;
    item->align = align;
    return vexlan_copy_field(item->text, sizeof item->text, text) == 0 &&
                   vexlan_copy_field(item->u.face, sizeof item->u.face, face) == 0
               ? 0
               : -1;
}

static inline int vexlan_set_image(vexlan_item* item, const char* path, int invert, int keep_aspect)
{
    item->type = VEXLAN_IMAGE;
    item->u.image.invert = invert;
    item->u.image.keep_aspect = keep_aspect;
    return vexlan_copy_field(item->text, sizeof item->text, path);
}

static inline int vexlan_set_text_block(vexlan_item* item, const char* path, const char* face)
{
    item->type = VEXLAN_TEXT_BLOCK;
    return vexlan_copy_field(item->text, sizeof item->text, path) == 0 &&
                   vexlan_copy_field(item->u.face, sizeof item->u.face, face) == 0
               ? 0
               : -1;
}

static inline void vexlan_set_frame(vexlan_item* item, int32_t pen_width, uint32_t color)
{
    item->type = VEXLAN_FRAME;
    item->u.frame.pen_width = pen_width;
    item->u.frame.color = color;
}

/* Stores `v` little-endian at `p`. */
static inline void vexlan_put_u32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)(v & 0xFFu);
    p[1] = (unsigned char)((v >> 8) & 0xFFu);
    p[2] = (unsigned char)((v >> 16) & 0xFFu);
    p[3] = (unsigned char)((v >> 24) & 0xFFu);
}

/* The record's bytes as the file holds them: the struct's bytes with every
 * integer stored little-endian (the same bytes on a little-endian machine). */
static inline void vexlan_item_bytes(const vexlan_item* item, unsigned char out[VEXLAN_RECORD_SIZE])
{
    memcpy(out, item, VEXLAN_RECORD_SIZE);
    vexlan_put_u32(out + 0, (uint32_t)item->type);
    if (item->type == VEXLAN_IMAGE) {
        vexlan_put_u32(out + 264, (uint32_t)item->u.image.invert);
        vexlan_put_u32(out + 268, (uint32_t)item->u.image.keep_aspect);
    } else if (item->type == VEXLAN_FRAME) {
        vexlan_put_u32(out + 264, (uint32_t)item->u.frame.pen_width);
        vexlan_put_u32(out + 268, item->u.frame.color);
    }
    vexlan_put_u32(out + 280, item->align);
    vexlan_put_u32(out + 292, (uint32_t)item->left);
    vexlan_put_u32(out + 296, (uint32_t)item->top);
    vexlan_put_u32(out + 300, (uint32_t)item->right);
    vexlan_put_u32(out + 304, (uint32_t)item->bottom);
}

/* The platform's part of vexlan_write_job: an open file, written whole,
 * flushed to the disk, then moved over the job's name. */
#ifdef _WIN32
typedef HANDLE vexlan_file;
#define VEXLAN_NO_FILE INVALID_HANDLE_VALUE

static inline unsigned long vexlan_process_id(void) { return (unsigned long)GetCurrentProcessId(); }

/* A new file (never an existing one); VEXLAN_NO_FILE when it exists already. */
static inline vexlan_file vexlan_create(const char* path, int* exists)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    *exists = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    return h;
}

static inline int vexlan_write_all(vexlan_file f, const unsigned char* p, size_t n)
{
    while (n > 0) {
        DWORD chunk = n > 0x40000000u ? 0x40000000u : (DWORD)n;
        DWORD done = 0;
        if (!WriteFile(f, p, chunk, &done, NULL) || done == 0)
            return -1;
        p += done;
        n -= done;
    }
    return 0;
}

/* Flushes and closes `f` (always closed); -1 when either fails. */
static inline int vexlan_finish(vexlan_file f)
{
    int ok = FlushFileBuffers(f) != 0;
    return CloseHandle(f) && ok ? 0 : -1;
}

static inline int vexlan_replace(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

/* Closes `f` (when open) and deletes `path`, keeping the error that failed. */
static inline void vexlan_discard(vexlan_file f, const char* path)
{
    DWORD saved = GetLastError();
    if (f != VEXLAN_NO_FILE)
        CloseHandle(f);
    DeleteFileA(path);
    SetLastError(saved);
}

static inline void vexlan_invalid(void)
{
    errno = EINVAL;
    SetLastError(ERROR_INVALID_PARAMETER);
}
#else
typedef int vexlan_file;
#define VEXLAN_NO_FILE (-1)

static inline unsigned long vexlan_process_id(void) { return (unsigned long)getpid(); }

static inline vexlan_file vexlan_create(const char* path, int* exists)
{
    int fd;
    do
        fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    while (fd < 0 && errno == EINTR);
    *exists = fd < 0 && errno == EEXIST;
    return fd;
}

static inline int vexlan_write_all(vexlan_file f, const unsigned char* p, size_t n)
{
    while (n > 0) {
        ssize_t done = write(f, p, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO;
            return -1;
        }
        p += done;
        n -= (size_t)done;
    }
    return 0;
}

static inline int vexlan_finish(vexlan_file f)
{
    int ok = fsync(f) == 0;
    int saved = errno;
    if (close(f) != 0 && ok)
        return -1;
    errno = saved;
    return ok ? 0 : -1;
}

static inline int vexlan_replace(const char* from, const char* to) { return rename(from, to); }

static inline void vexlan_discard(vexlan_file f, const char* path)
{
    int saved = errno;
    if (f != VEXLAN_NO_FILE)
        close(f);
    unlink(path);
    errno = saved;
}

static inline void vexlan_invalid(void) { errno = EINVAL; }
#endif

/* The name of the `attempt`th new file for `path`: hidden, in the same
 * folder (a rename never crosses file systems), and named after this
 * process so that producers sharing a folder never write the same file:
 * "DIR/.NAME.PID.ATTEMPT.part". Freed with free(); NULL without memory. */
static inline char* vexlan_part_name(const char* path, unsigned attempt)
{
    const char* base = path;
    const char* p;
    size_t size = strlen(path) + 48;
    char* name = (char*)malloc(size);
    if (name == NULL) {
        errno = ENOMEM;
        return NULL;
    }
    for (p = path; *p != '\0'; ++p) {
        if (*p == '/'
#ifdef _WIN32
            || *p == '\\' || *p == ':'
#endif
        )
            base = p + 1;
    }
    snprintf(name, size, "%.*s.%s.%lu.%u.part", (int)(base - path), path, base, vexlan_process_id(), attempt);
    return name;
}

/* Writes a job of `count` records to `path` as one step: Vexlan (or
 * another reader) finds either no job, the job that was there before, or
 * this whole job, never part of it. The bytes go to a new hidden file in the
 * job's folder, are flushed to the disk, and that file is then renamed over
 * `path` (POSIX rename; on Windows MoveFileEx replacing the job, written
 * through). A job already at `path` that no Vexlan has claimed yet is
 * replaced: start Vexlan on each job before writing the next.
 *
 * Returns 0 when the job is in place. On failure returns -1, leaves `path`
 * as it was and removes the new file; errno tells why (on Windows, a file
 * operation's failure is in GetLastError()): EINVAL for bad arguments,
 * ENOMEM without memory. `count` must be 1 or more: a job without items is
 * an empty page, which Vexlan refuses to print. */
static inline int vexlan_write_job(const char* path, const vexlan_item* items, int32_t count)
{
    unsigned char buf[VEXLAN_RECORD_SIZE];
    vexlan_file f = VEXLAN_NO_FILE;
    char* part = NULL;
    unsigned attempt;
    int32_t i;
    int exists = 0;

    if (path == NULL || *path == '\0' || items == NULL || count < 1) {
        vexlan_invalid();
        return -1;
    }
    for (attempt = 0; attempt < 100 && f == VEXLAN_NO_FILE; ++attempt) {
        free(part);
        part = vexlan_part_name(path, attempt);
        if (part == NULL)
            return -1;
        f = vexlan_create(part, &exists);
        if (f == VEXLAN_NO_FILE && !exists)
            break;
    }
    if (f == VEXLAN_NO_FILE) {
        free(part);
        return -1;
    }

    vexlan_put_u32(buf, VEXLAN_JOB_MAGIC);
    vexlan_put_u32(buf + 4, (uint32_t)count);
    if (vexlan_write_all(f, buf, VEXLAN_JOB_HEADER_SIZE) != 0)
        goto failed;
    for (i = 0; i < count; ++i) {
        vexlan_item_bytes(&items[i], buf);
        if (vexlan_write_all(f, buf, sizeof buf) != 0)
            goto failed;
    }
    {
        vexlan_file written = f;
        f = VEXLAN_NO_FILE;
        if (vexlan_finish(written) != 0 || vexlan_replace(part, path) != 0)
            goto failed;
    }
    free(part);
    return 0;

failed:
    vexlan_discard(f, part);
    free(part);
    return -1;
}

#ifdef __cplusplus
}
#endif

#endif /* VEXLAN_JOB_H */
