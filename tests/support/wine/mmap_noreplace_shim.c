/* LD_PRELOAD library for 32-bit programs run by qemu-i386 user emulation.
 *
 * qemu 7.2 treats the mmap flag MAP_FIXED_NOREPLACE as a plain address hint:
 * when the requested range is taken it maps elsewhere instead of failing with
 * EEXIST. Wine's 32-bit loader relies on the kernel's meaning to reserve its
 * address space and spins, then dies, without it. This library gives mmap and
 * mmap64 that meaning back: map without the flag and, when the result is not
 * the requested address, unmap it and fail with EEXIST.
 *
 * Built without 32-bit development packages (-nostdlib against the i386 libc),
 * so the few libc declarations it needs are written out here. Test support
 * only: never shipped. */

typedef unsigned int size_t;
typedef long off_t;
typedef long long off64_t;

#define MAP_FAILED ((void*)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define RTLD_NEXT ((void*)-1l)

extern void* dlsym(void* handle, const char* symbol);
extern int munmap(void* addr, size_t length);
extern int* __errno_location(void);
extern int unsetenv(const char* name);

typedef void* (*mmap_fn)(void*, size_t, int, int, int, off_t);
typedef void* (*mmap64_fn)(void*, size_t, int, int, int, off64_t);

static mmap_fn real_mmap;
static mmap64_fn real_mmap64;

__attribute__((constructor)) static void shim_init(void) {
    real_mmap = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    real_mmap64 = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    /* Children started from here (the 64-bit wineserver) must not try to
     * preload a 32-bit library. */
    unsetenv("LD_PRELOAD");
}

static void* checked(void* want, void* got, size_t length) {
    if (got != MAP_FAILED && got != want) {
        munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (!real_mmap) real_mmap = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    if (flags & MAP_FIXED_NOREPLACE) {
        void* got = real_mmap(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
        return checked(addr, got, length);
    }
    return real_mmap(addr, length, prot, flags, fd, offset);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
    if (!real_mmap64) real_mmap64 = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    if (flags & MAP_FIXED_NOREPLACE) {
        void* got = real_mmap64(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
        return checked(addr, got, length);
    }
    return real_mmap64(addr, length, prot, flags, fd, offset);
}
