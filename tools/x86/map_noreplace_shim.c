/* Preload library for 32-bit programs under qemu-i386: qemu passes MAP_FIXED_NOREPLACE
   on as a mere hint and maps elsewhere, while Wine probes its address space with it and
   expects a refusal. Give the call the kernel's meaning back: a mapping that did not
   land at the requested address is undone and fails with EEXIST. Built with -nostdlib
   against the 32-bit libc, so no 32-bit development packages are needed. */
typedef unsigned int size_t;
extern void *dlsym(void *, const char *);
extern int *__errno_location(void);
extern int munmap(void *, size_t);
#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void *)-1)
#define RTLD_NEXT ((void *)-1)
#define EEXIST 17
typedef void *(*mmap64_fn)(void *, size_t, int, int, int, long long);
typedef void *(*mmap_fn)(void *, size_t, int, int, int, long);

static void *refuse_if_moved(void *wanted, size_t length, void *got)
{
    if (got != MAP_FAILED && got != wanted) {
        munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, long long offset)
{
    static mmap64_fn real;
    if (!real) real = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    void *got = real(address, length, protection, flags, fd, offset);
    return (flags & MAP_FIXED_NOREPLACE) ? refuse_if_moved(address, length, got) : got;
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, long offset)
{
    static mmap_fn real;
    if (!real) real = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    void *got = real(address, length, protection, flags, fd, offset);
    return (flags & MAP_FIXED_NOREPLACE) ? refuse_if_moved(address, length, got) : got;
}
