#include "serial_port_listing.h"

#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

std::mutex listingMutex;
std::vector<std::string> listing;

}  // namespace

void serial_port_listing::set(const std::vector<std::string>& devicePaths) {
    if (devicePaths.empty())
        throw std::invalid_argument("an empty listing would let the machine's own ports in");
    const std::lock_guard<std::mutex> lock(listingMutex);
    listing = devicePaths;
}

// libudev's opaque types, holding what Qt's enumeration asks of them. A listed device answers with
// its path as device node and the path without "/dev/" as name; every one hangs off one adapter,
// since Qt skips ttys without a parent device. The adapter's driver is not serial8250, which Qt's
// enumeration treats apart.
struct udev {};
struct udev_list_entry {
    std::string name;
    udev_list_entry* next = nullptr;
};
struct udev_enumerate {
    std::deque<udev_list_entry> entries;  // a deque keeps their addresses while it grows
};
struct udev_device {
    std::string devnode;
    std::string sysname;
};

namespace {

udev_device adapter;

}  // namespace

// Objects handed out by *_new belong to the caller until it gives them back through *_unref, as
// with libudev itself.
extern "C" {

udev* udev_new() {
    static udev context;
    return &context;
}
udev* udev_unref(udev*) { return nullptr; }

udev_enumerate* udev_enumerate_new(udev*) { return std::make_unique<udev_enumerate>().release(); }
int udev_enumerate_add_match_subsystem(udev_enumerate*, const char*) { return 0; }
int udev_enumerate_scan_devices(udev_enumerate* e) {
    const std::lock_guard<std::mutex> lock(listingMutex);
    for (const std::string& path : listing) {
        e->entries.push_back({path});
        if (e->entries.size() > 1)
            e->entries[e->entries.size() - 2].next = &e->entries.back();
    }
    return 0;
}
udev_list_entry* udev_enumerate_get_list_entry(udev_enumerate* e) {
    return e->entries.empty() ? nullptr : &e->entries.front();
}
udev_enumerate* udev_enumerate_unref(udev_enumerate* e) {
    const std::unique_ptr<udev_enumerate> owned(e);
    return nullptr;
}

udev_list_entry* udev_list_entry_get_next(udev_list_entry* entry) { return entry->next; }
const char* udev_list_entry_get_name(udev_list_entry* entry) { return entry->name.c_str(); }

udev_device* udev_device_new_from_syspath(udev*, const char* path) {
    const std::string devnode(path);
    const std::string prefix("/dev/");
    const bool underDev = devnode.compare(0, prefix.size(), prefix) == 0;
    return std::make_unique<udev_device>(udev_device{devnode, underDev ? devnode.substr(prefix.size()) : devnode})
        .release();
}
udev_device* udev_device_get_parent(udev_device* d) { return d == &adapter ? nullptr : &adapter; }
const char* udev_device_get_driver(udev_device*) { return "rx48p-test-adapter"; }
const char* udev_device_get_devnode(udev_device* d) { return d->devnode.c_str(); }
const char* udev_device_get_sysname(udev_device* d) { return d->sysname.c_str(); }
const char* udev_device_get_property_value(udev_device*, const char*) { return nullptr; }
udev_device* udev_device_unref(udev_device* d) {
    const std::unique_ptr<udev_device> owned(d == &adapter ? nullptr : d);
    return nullptr;
}

}  // extern "C"
