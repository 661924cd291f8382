// pixavoncam.sys: the emulated camera's driver inside a wine prefix.
//
// It publishes the camera device under the name that the camera's device
// interface points at, and passes every request on to pixavon-emu over its
// framed link (see emulator/server.cpp), one TCP loopback connection per open
// handle:
//   IRP_MJ_CREATE   connect, hello 'H'; the device's answer 'K' (else busy)
//                   is taken by the first transfer
//   IRP_MJ_WRITE    'W' u32 n and the n bytes: one message; 'K' or 'E'
//   IRP_MJ_READ     'R' u32 n; pieces 'D' u32 k, k bytes up to n, or 'E'
//   IRP_MJ_CLEANUP, IRP_MJ_CLOSE  the connection is closed
// The emulator's TCP port is the service's DWORD value "Port", written by
// pixavon-wine-plug.exe before the driver starts.
//
// Every request completes inside its dispatch call: the link is synchronous,
// like the camera's, and a dead or silent emulator fails the request after
// the link's timeout instead of holding it. wine 8 opens the file whatever
// IRP_MJ_CREATE answers, so a refused open (a busy camera) shows as a handle
// whose transfers all fail.
#include <ntddk.h>

#include "camera_link.h"

#define CAMERA_DEVICE_NAME L"\\Device\\PixavonCamera0"
#define CAMERA_LINK_NAME L"\\??\\root#camera#0000#{1b65bedd-1d6a-11d6-807d-82b3dab6c625}"

static unsigned short g_port;

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS ReadPort(PUNICODE_STRING registry_path) {
    OBJECT_ATTRIBUTES attributes;
    HANDLE key;
    UNICODE_STRING name;
    struct {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR more[sizeof(ULONG)];
    } value;
    ULONG size = 0;
    NTSTATUS status;

    InitializeObjectAttributes(&attributes, registry_path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwOpenKey(&key, KEY_READ, &attributes);
    if (!NT_SUCCESS(status)) return status;
    RtlInitUnicodeString(&name, L"Port");
    status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, &value, sizeof value, &size);
    ZwClose(key);
    if (!NT_SUCCESS(status)) return status;
    if (value.info.Type != REG_DWORD || value.info.DataLength != sizeof(ULONG)) return STATUS_INVALID_PARAMETER;
    ULONG port;
    RtlCopyMemory(&port, value.info.Data, sizeof port);
    if (port == 0 || port > 0xFFFF) return STATUS_INVALID_PARAMETER;
    g_port = (unsigned short)port;
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    void* link = camera_link_open(g_port);
    if (link == NULL) return Complete(irp, STATUS_DEVICE_BUSY, 0);
    stack->FileObject->FsContext = link;
    return Complete(irp, STATUS_SUCCESS, 0);
}

// The connection ends with the handle's last cleanup, or at the latest with
// the file's close (wine 8 sends only the close).
static NTSTATUS NTAPI DispatchCleanupOrClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    camera_link_close(stack->FileObject->FsContext);
    stack->FileObject->FsContext = NULL;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    void* link = stack->FileObject->FsContext;
    const ULONG length = stack->Parameters.Read.Length;
    if (link == NULL) return Complete(irp, STATUS_INVALID_HANDLE, 0);
    if (length == 0) return Complete(irp, STATUS_SUCCESS, 0);
    if (!camera_link_read(link, irp->AssociatedIrp.SystemBuffer, length)) {
        return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    }
    return Complete(irp, STATUS_SUCCESS, length);
}

static NTSTATUS NTAPI DispatchWrite(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    void* link = stack->FileObject->FsContext;
    const ULONG length = stack->Parameters.Write.Length;
    if (link == NULL) return Complete(irp, STATUS_INVALID_HANDLE, 0);
    if (!camera_link_write(link, irp->AssociatedIrp.SystemBuffer, length)) {
        return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    }
    return Complete(irp, STATUS_SUCCESS, length);
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link_name;
    RtlInitUnicodeString(&link_name, CAMERA_LINK_NAME);
    IoDeleteSymbolicLink(&link_name);
    if (driver->DeviceObject != NULL) IoDeleteDevice(driver->DeviceObject);
    camera_link_shutdown();
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path) {
    UNICODE_STRING device_name;
    UNICODE_STRING link_name;
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;

    status = ReadPort(registry_path);
    if (!NT_SUCCESS(status)) return status;
    if (!camera_link_startup()) return STATUS_UNSUCCESSFUL;

    RtlInitUnicodeString(&device_name, CAMERA_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &device_name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        camera_link_shutdown();
        return status;
    }
    device->Flags |= DO_BUFFERED_IO;
    RtlInitUnicodeString(&link_name, CAMERA_LINK_NAME);
    status = IoCreateSymbolicLink(&link_name, &device_name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        camera_link_shutdown();
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanupOrClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCleanupOrClose;
    driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
    driver->MajorFunction[IRP_MJ_WRITE] = DispatchWrite;
    driver->DriverUnload = DriverUnload;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
