// The driver's side of pixavon-emu's framed link, over TCP loopback. Kept in
// a translation unit of its own: it speaks Winsock, which wine offers inside
// winedevice.exe, where kernel drivers run as ordinary code.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int camera_link_startup(void);
void camera_link_shutdown(void);
// A connection to 127.0.0.1:port with the hello sent, or NULL. Whether the
// device serves it (answers 'K') tells the first transfer, which fails if not.
void* camera_link_open(unsigned short port);
void camera_link_close(void* link);
// One message of `length` bytes; nonzero if the device took it ('K').
int camera_link_write(void* link, const void* data, unsigned long length);
// Exactly `length` (>= 1) bytes into `data`; nonzero if all arrived.
int camera_link_read(void* link, void* data, unsigned long length);

#ifdef __cplusplus
}
#endif
