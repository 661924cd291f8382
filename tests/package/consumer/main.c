/* A program built against an installed libpixavon: it takes the header and
 * the library from the installed prefix and asks for a text, which needs no
 * camera. */
#include <pixavon.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    char title[PIXAVON_STRING_BUFFER_SIZE];
    if (GetString(1, title) != 1 || strcmp(title, "Lumetta") != 0 || IsConnect() != 0) {
        fprintf(stderr, "consumer: the library did not answer as expected\n");
        return 1;
    }
    printf("%s\n", title);
    return 0;
}
