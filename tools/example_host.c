/*
 * pixavon-example: a short host program. It starts an emulated camera on a
 * card image, opens it through the library, reads the catalog with ReadGBA and
 * prints what it found.
 *
 *   pixavon-example CARD.bin [8|16]    (the size creates CARD.bin if missing)
 */
#define _GNU_SOURCE
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "pixavon.h"

static int emulator_path(char *out, size_t size) {
    const char *configured = getenv("PIXAVON_EMU");
    if (configured != NULL && *configured != '\0') {
        return snprintf(out, size, "%s", configured) < (int)size ? 0 : -1;
    }
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return -1;
    self[n] = '\0';
    char *slash = strrchr(self, '/');
    if (slash == NULL) return -1;
    *slash = '\0';
    return snprintf(out, size, "%s/pixavon-emu", self) < (int)size ? 0 : -1;
}

/* Starts pixavon-emu on `card` in the device directory `dir`; waits for the
 * line that says it is ready. */
static pid_t start_emulator(const char *card, const char *size, const char *dir) {
    char emu[PATH_MAX];
    int ready[2];
    if (emulator_path(emu, sizeof emu) != 0 || pipe(ready) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(ready[0]);
        close(ready[1]);
        return -1;
    }
    if (pid == 0) {
        dup2(ready[1], STDOUT_FILENO);
        close(ready[0]);
        close(ready[1]);
        if (size != NULL) {
            execl(emu, emu, "--card", card, "--create", size, "--dir", dir, (char *)NULL);
        } else {
            execl(emu, emu, "--card", card, "--dir", dir, (char *)NULL);
        }
        fprintf(stderr, "pixavon-example: cannot run %s: %s\n", emu, strerror(errno));
        _exit(127);
    }
    close(ready[1]);
    char line[PATH_MAX];
    FILE *out = fdopen(ready[0], "r");
    int ok = out != NULL && fgets(line, sizeof line, out) != NULL;
    if (out != NULL)
        fclose(out);
    else
        close(ready[0]);
    if (!ok) {
        waitpid(pid, NULL, 0);
        return -1;
    }
    printf("camera: %s", line);
    return pid;
}

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s CARD.bin [8|16]\n", argv[0]);
        return 2;
    }
    char dir[] = "/tmp/pixavon-example-XXXXXX";
    if (mkdtemp(dir) == NULL) {
        perror("mkdtemp");
        return 1;
    }
    char devices[sizeof dir + 8];
    snprintf(devices, sizeof devices, "%s/dev", dir);
    setenv("PIXAVON_DEVICE_DIR", devices, 1);

    int status = 1;
    pid_t emulator = start_emulator(argv[1], argc == 3 ? argv[2] : NULL, devices);
    if (emulator < 0) {
        fprintf(stderr, "pixavon-example: the emulated camera did not start\n");
    } else if (!OpenDevice(NULL)) {
        fprintf(stderr, "pixavon-example: no camera could be opened\n");
    } else {
        static unsigned char catalog[8192];
        if (!ReadGBA(0xFFE0, catalog, sizeof catalog)) {
            fprintf(stderr, "pixavon-example: the catalog could not be read\n");
        } else {
            int valid = memcmp(catalog, "KOV PHOTO CAM IMAGE", 19) == 0;
            printf("signature: %s\n", valid ? "KOV PHOTO CAM IMAGE" : "(none: not a catalog)");
            printf("capacity code: %u\n", catalog[258]);
            printf("photos: %u\n", catalog[256]);
            for (unsigned i = 0; valid && i < catalog[256]; ++i) {
                printf("  position %u: slot %u\n", i, catalog[512 + 16 * i + 8]);
            }
            status = valid ? 0 : 1;
        }
        CloseDevice();
    }
    if (emulator > 0) {
        kill(emulator, SIGTERM);
        waitpid(emulator, NULL, 0);
    }
    rmdir(devices);
    rmdir(dir);
    return status;
}
