// The driver's side of pixavon-emu's framed link, over TCP loopback.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "camera_link.h"

// A transfer that the emulator leaves unanswered this long fails.
#define LINK_TIMEOUT_MS 60000
#define PIECE_HEADER 5

// Every socket call is a round trip to the wineserver, so replies are taken
// in as large gulps as have arrived and requests go out in one send.
#define INPUT_BUFFER 65536

struct camera_link {
    SOCKET socket;
    int greeted;  // the device's answer to the hello was 'K'
    int broken;   // the frame stream lost its place, or the device is busy; every later transfer fails
    unsigned long input_pos;
    unsigned long input_len;
    unsigned char input[INPUT_BUFFER];
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

// Sends a frame header and its payload, in one call when the socket takes
// them whole.
static int send_frame(SOCKET s, const unsigned char* header, unsigned long header_len, const void* payload,
                      unsigned long payload_len) {
    WSABUF parts[2];
    DWORD sent = 0;
    const unsigned char* rest;
    unsigned long left;
    parts[0].buf = (char*)header;
    parts[0].len = header_len;
    parts[1].buf = (char*)payload;
    parts[1].len = payload_len;
    if (WSASend(s, parts, payload_len > 0 ? 2 : 1, &sent, 0, NULL, NULL) != 0) return 0;
    if (sent < header_len) return 0;  // a blocking socket sends all or fails
    rest = (const unsigned char*)payload + (sent - header_len);
    left = payload_len - (sent - header_len);
    while (left > 0) {
        const int chunk = left > 0x10000000ul ? 0x10000000 : (int)left;
        const int more = send(s, (const char*)rest, chunk, 0);
        if (more <= 0) return 0;
        rest += more;
        left -= (unsigned long)more;
    }
    return 1;
}

// Exactly `length` bytes of the device's replies.
static int take(struct camera_link* link, void* out, unsigned long length) {
    unsigned char* data = out;
    while (length > 0) {
        unsigned long n;
        if (link->input_pos == link->input_len) {
            const int got = recv(link->socket, (char*)link->input, INPUT_BUFFER, 0);
            if (got <= 0) return 0;
            link->input_pos = 0;
            link->input_len = (unsigned long)got;
        }
        n = link->input_len - link->input_pos;
        if (n > length) n = length;
        CopyMemory(data, link->input + link->input_pos, n);
        link->input_pos += n;
        data += n;
        length -= n;
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
    struct camera_link* link;
    static const unsigned char hello = 'H';
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return NULL;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, (const char*)&timeout, sizeof timeout);
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&no_delay, sizeof no_delay);
    ZeroMemory(&address, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    link = HeapAlloc(GetProcessHeap(), 0, sizeof *link);
    if (link == NULL) {
        closesocket(s);
        return NULL;
    }
    link->socket = s;
    link->greeted = 0;
    link->broken = 0;
    link->input_pos = 0;
    link->input_len = 0;
    // The answer to the hello is taken by the first transfer, not here: the
    // previous handle's close may reach the driver only after this open
    // returns, and the device serves the newcomer once that host has gone.
    if (connect(s, (const struct sockaddr*)&address, sizeof address) != 0 || !send_frame(s, &hello, 1, NULL, 0)) {
        camera_link_close(link);
        return NULL;
    }
    return link;
}

// Takes the device's answer to the hello once; a busy camera accepts and
// closes without a byte: no 'K'.
static int greeted(struct camera_link* link) {
    unsigned char answer = 0;
    if (link->greeted) return 1;
    if (link->broken || !take(link, &answer, 1) || answer != 'K') {
        link->broken = 1;
        return 0;
    }
    link->greeted = 1;
    return 1;
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
    unsigned char answer = 0;
    if (!greeted(link)) return 0;
    header[0] = 'W';
    put_le32(header + 1, length);
    if (!send_frame(link->socket, header, sizeof header, data, length) || !take(link, &answer, 1) ||
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
    if (!greeted(link)) return 0;
    header[0] = 'R';
    put_le32(header + 1, length);
    if (!send_frame(link->socket, header, sizeof header, NULL, 0)) {
        link->broken = 1;
        return 0;
    }
    while (done < length) {
        unsigned long piece;
        if (!take(link, header, 1)) break;
        if (header[0] == 'E') return 0;  // a failed read; the stream is still in step
        if (header[0] != 'D' || !take(link, header + 1, 4)) break;
        piece = get_le32(header + 1);
        if (piece == 0 || piece > length - done || !take(link, (unsigned char*)data + done, piece)) break;
        done += piece;
    }
    if (done == length) return 1;
    link->broken = 1;
    return 0;
}
