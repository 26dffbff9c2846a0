// Identity of the machine, where the original asked the system's management
// command for the processor id and the disk serial. Here they come from the
// processor itself and from sysfs/udev; no subprocess is started.
#pragma once

#include <string>

namespace platform {

// The processor id in the original's text form: 16 upper-case hex digits, the
// feature word (EDX) then the signature word (EAX) of CPUID leaf 1. Where the
// processor has no CPUID (not x86), the first 16 hex digits of /etc/machine-id
// in upper case; "" when neither is available. Computed once and cached, an
// empty result included.
const std::string& processor_id();

// The serial number of the disk that holds the root file system (or of the
// first disk with a serial), from /sys/block/<disk>/device/serial or the udev
// database (ID_SERIAL_SHORT); "" when none is found. Computed once and cached.
const std::string& disk_serial();

}  // namespace platform
