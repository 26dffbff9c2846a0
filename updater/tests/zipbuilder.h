// Builds zip archives byte by byte for the tests (stored entries, Unix modes,
// any entry name, symbolic links), independent of the reader under test.
#pragma once

#include <QByteArray>
#include <QList>

#include <zlib.h>

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    unsigned mode = 0100644;  // S_IFREG | 0644; 0120777 is a link, 040755 a folder
};

inline QByteArray buildZip(const QList<ZipEntry>& entries)
{
    auto u16 = [](QByteArray& b, unsigned v) { b.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto u32 = [&](QByteArray& b, unsigned v) { u16(b, v & 0xffff); u16(b, v >> 16); };
    QByteArray out, central;
    for (const ZipEntry& e : entries) {
        const unsigned crc = static_cast<unsigned>(
            ::crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), static_cast<uInt>(e.data.size())));
        const unsigned offset = static_cast<unsigned>(out.size());
        u32(out, 0x04034b50);
        u16(out, 20); u16(out, 0); u16(out, 0);  // version, flags, stored
        u16(out, 0); u16(out, 0x21);             // time, date (1980-01-01)
        u32(out, crc); u32(out, e.data.size()); u32(out, e.data.size());
        u16(out, e.name.size()); u16(out, 0);
        out += e.name + e.data;
        u32(central, 0x02014b50);
        u16(central, 0x0314); u16(central, 20);  // made by Unix, version needed
        u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0x21);
        u32(central, crc); u32(central, e.data.size()); u32(central, e.data.size());
        u16(central, e.name.size()); u16(central, 0); u16(central, 0);
        u16(central, 0); u16(central, 0);        // disk, internal attributes
        u32(central, e.mode << 16);
        u32(central, offset);
        central += e.name;
    }
    const unsigned centralOffset = static_cast<unsigned>(out.size());
    out += central;
    u32(out, 0x06054b50);
    u16(out, 0); u16(out, 0);
    u16(out, entries.size()); u16(out, entries.size());
    u32(out, central.size()); u32(out, centralOffset);
    u16(out, 0);
    return out;
}
