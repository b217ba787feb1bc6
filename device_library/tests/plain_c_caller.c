/* A program written in C against the library's flat exports alone: it loads
 * the shared library at run time, opens the recorder and lists folder "A",
 * knowing nothing of how the library reaches the recorder. The recorder is a
 * simulated one on a fresh image, chosen through the environment only.
 *
 * Usage: plain_c_caller LIBRARY IMAGE
 * Exit status 0 when the listing holds the image's first recordings. */

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* The records as the library's header lays them out. */
typedef struct DeviceContext DeviceContext;

typedef struct {
    char longName[195];
    char baseName[10];
    char extension[6];
    char displayName[16];
    uint8_t attribute;
    uint32_t size;
    uint16_t hasLongName;
    uint16_t stamp[7];
} DeviceEntry;

typedef struct {
    uint8_t versionByte;
    uint8_t reserved[3];
    uint32_t streamLength;
    int32_t entryCount;
    uint32_t totalBytes;
    uint32_t freeBytes;
    DeviceEntry entries[106];
} DeviceListing;

_Static_assert(sizeof(DeviceEntry) == 248, "DeviceEntry is 248 bytes");
_Static_assert(sizeof(DeviceListing) == 26308, "DeviceListing is 26,308 bytes");

enum { kStoreMain = 1000 };

typedef int (*CreateDevCall)(DeviceContext**);
typedef int (*DestroyDevCall)(DeviceContext*);
typedef int (*RefreshCall)(DeviceContext*, DeviceListing*, const char*, int, int);

/* dlsym gives an object pointer; copying its bytes is the portable way to
 * make a function pointer of it. */
static int lookUp(void* library, const char* name, void* call, size_t size) {
    void* symbol = dlsym(library, name);
    if (symbol == NULL) {
        fprintf(stderr, "%s is not exported: %s\n", name, dlerror());
        return 0;
    }
    memcpy(call, &symbol, size);
    return 1;
}

static int holds(const DeviceListing* listing, const char* name) {
    for (int i = 0; i < listing->entryCount && i < 106; ++i) {
        const DeviceEntry* entry = &listing->entries[i];
        if (strcmp(entry->longName, name) == 0 || strcmp(entry->displayName, name) == 0) return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s LIBRARY IMAGE\n", argv[0]);
        return 2;
    }
    /* A fresh image each run: the simulated recorder fills it with samples. */
    unlink(argv[2]);
    if (setenv("VXR250_SIMULATOR", argv[2], 1) != 0) return 2;
    unsetenv("VXR250_SIMULATOR_FAULTS");

    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    CreateDevCall createDev;
    DestroyDevCall destroyDev;
    RefreshCall refresh;
    if (!lookUp(library, "CreateDev", &createDev, sizeof createDev) ||
        !lookUp(library, "DestroyDev", &destroyDev, sizeof destroyDev) ||
        !lookUp(library, "QVRefreshDevice", &refresh, sizeof refresh))
        return 1;

    DeviceContext* context = NULL;
    if (createDev(&context) != 0 || context == NULL) {
        fprintf(stderr, "CreateDev found no recorder\n");
        return 1;
    }
    static DeviceListing listing;
    const int listed = refresh(context, &listing, "A", 0, kStoreMain);
    destroyDev(context);
    unlink(argv[2]);
    if (listed != 1) {
        fprintf(stderr, "QVRefreshDevice gave %d\n", listed);
        return 1;
    }
    for (int i = 0; i < listing.entryCount && i < 106; ++i)
        printf("%s\t%u\n",
               listing.entries[i].longName[0] != '\0' ? listing.entries[i].longName
                                                      : listing.entries[i].displayName,
               listing.entries[i].size);
    if (!holds(&listing, "VOICE001DVF") || !holds(&listing, "VOICE002DVF") ||
        !holds(&listing, "Meeting with the design team.DVF")) {
        fprintf(stderr, "folder A (%d entries) lacks the image's recordings\n", listing.entryCount);
        return 1;
    }
    return 0;
}
