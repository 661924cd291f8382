// The driver's side of pixavon-emu's framed link, over TCP loopback.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "camera_link.h"

// A transfer that the emulator leaves unanswered this long fails.
#define LINK_TIMEOUT_MS 60000
#define PIECE_HEADER 5

struct camera_link {
    SOCKET socket;
    int broken;  // the frame stream lost its place; every later transfer fails
};

static void put_le32(unsigned char* out, unsigned long value) {
    out[0] = (unsigned char)value;
    out[1] = (unsigned char)(value >> 8);
    out[2] = (unsigned char)(value >> 16);
    out[3] = (unsigned char)(value >> 24);
}

static unsigned long get_le32(const unsigned char* in) {
    return (unsigned long)in[0] | (unsigned long)in[1] << 8 | (unsigned long)in[2] << 16 | (unsigned long)in[3] << 24;
}

static int send_all(SOCKET s, const char* data, unsigned long length) {
    while (length > 0) {
        const int chunk = length > 0x10000000ul ? 0x10000000 : (int)length;
        const int sent = send(s, data, chunk, 0);
        if (sent <= 0) return 0;
        data += sent;
        length -= (unsigned long)sent;
    }
    return 1;
}

static int recv_all(SOCKET s, char* data, unsigned long length) {
    while (length > 0) {
        const int chunk = length > 0x10000000ul ? 0x10000000 : (int)length;
        const int got = recv(s, data, chunk, 0);
        if (got <= 0) return 0;
        data += got;
        length -= (unsigned long)got;
    }
    return 1;
}

int camera_link_startup(void) {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void camera_link_shutdown(void) { WSACleanup(); }

void* camera_link_open(unsigned short port) {
    struct sockaddr_in address;
    const DWORD timeout = LINK_TIMEOUT_MS;
    const BOOL no_delay = TRUE;
    char answer = 0;
    struct camera_link* link;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return NULL;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, (const char*)&timeout, sizeof timeout);
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&no_delay, sizeof no_delay);
    ZeroMemory(&address, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A busy camera accepts and closes without a byte: no 'K'.
    if (connect(s, (const struct sockaddr*)&address, sizeof address) != 0 || !send_all(s, "H", 1) ||
        !recv_all(s, &answer, 1) || answer != 'K') {
        closesocket(s);
        return NULL;
    }
    link = HeapAlloc(GetProcessHeap(), 0, sizeof *link);
    if (link == NULL) {
        closesocket(s);
        return NULL;
    }
    link->socket = s;
    link->broken = 0;
    return link;
}

void camera_link_close(void* opaque) {
    struct camera_link* link = opaque;
    if (link == NULL) return;
    closesocket(link->socket);
    HeapFree(GetProcessHeap(), 0, link);
}

int camera_link_write(void* opaque, const void* data, unsigned long length) {
    struct camera_link* link = opaque;
    unsigned char header[PIECE_HEADER];
    char answer = 0;
    if (link->broken) return 0;
    header[0] = 'W';
    put_le32(header + 1, length);
    if (!send_all(link->socket, (const char*)header, sizeof header) ||
        !send_all(link->socket, (const char*)data, length) || !recv_all(link->socket, &answer, 1) ||
        (answer != 'K' && answer != 'E')) {
        link->broken = 1;
        return 0;
    }
    return answer == 'K';
}

int camera_link_read(void* opaque, void* data, unsigned long length) {
    struct camera_link* link = opaque;
    unsigned char header[PIECE_HEADER];
    unsigned long done = 0;
    if (link->broken) return 0;
    header[0] = 'R';
    put_le32(header + 1, length);
    if (!send_all(link->socket, (const char*)header, sizeof header)) {
        link->broken = 1;
        return 0;
    }
    while (done < length) {
        unsigned long piece;
        if (!recv_all(link->socket, (char*)header, 1)) break;
        if (header[0] == 'E') return 0;  // a failed read; the stream is still in step
        if (header[0] != 'D' || !recv_all(link->socket, (char*)header + 1, 4)) break;
        piece = get_le32(header + 1);
        if (piece == 0 || piece > length - done || !recv_all(link->socket, (char*)data + done, piece)) {
            break;
        }
        done += piece;
    }
    if (done == length) return 1;
    link->broken = 1;
    return 0;
}
