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
    // For hostile archives: data already deflated (method 8) and sizes or a
    // CRC that lie. -1: the true value.
    bool deflated = false;
    qint64 size = -1, packed = -1, crc = -1;
};

inline QByteArray buildZip(const QList<ZipEntry>& entries)
{
    auto u16 = [](QByteArray& b, unsigned v) { b.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto u32 = [&](QByteArray& b, unsigned v) {
        u16(b, v & 0xffff);
        u16(b, v >> 16);
    };
    QByteArray out, central;
    for (const ZipEntry& e : entries) {
        const unsigned crc = e.crc >= 0
                                 ? unsigned(e.crc)
                                 : static_cast<unsigned>(::crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()),
                                                                 static_cast<uInt>(e.data.size())));
        const unsigned size = unsigned(e.size >= 0 ? e.size : e.data.size());
        const unsigned packed = unsigned(e.packed >= 0 ? e.packed : e.data.size());
        const unsigned method = e.deflated ? 8 : 0;
        const unsigned offset = static_cast<unsigned>(out.size());
        u32(out, 0x04034b50);
        u16(out, 20);
        u16(out, 0);
        u16(out, method);  // version, flags, method
        u16(out, 0);
        u16(out, 0x21);  // time, date (1980-01-01)
        u32(out, crc);
        u32(out, packed);
        u32(out, size);
        u16(out, e.name.size());
        u16(out, 0);
        out += e.name + e.data;
        u32(central, 0x02014b50);
        u16(central, 0x0314);
        u16(central, 20);  // made by Unix, version needed
        u16(central, 0);
        u16(central, method);
        u16(central, 0);
        u16(central, 0x21);
        u32(central, crc);
        u32(central, packed);
        u32(central, size);
        u16(central, e.name.size());
        u16(central, 0);
        u16(central, 0);
        u16(central, 0);
        u16(central, 0);  // disk, internal attributes
        u32(central, e.mode << 16);
        u32(central, offset);
        central += e.name;
    }
    const unsigned centralOffset = static_cast<unsigned>(out.size());
    out += central;
    u32(out, 0x06054b50);
    u16(out, 0);
    u16(out, 0);
    u16(out, entries.size());
    u16(out, entries.size());
    u32(out, central.size());
    u32(out, centralOffset);
    u16(out, 0);
    return out;
}

// A raw deflate stream of `mib` MiB of zero bytes, built from one flushed
// piece repeated (a full flush makes each piece stand alone), and its CRC.
inline QByteArray deflatedZeros(int mib, quint32* crc)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray piece(1 << 16, '\0');
    const auto run = [&](int flush, const QByteArray& in) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef*>(piece.data());
        z.avail_out = uInt(piece.size());
        deflate(&z, flush);
        return piece.left(piece.size() - int(z.avail_out));
    };
    const QByteArray first = run(Z_FULL_FLUSH, zeros);
    const QByteArray repeated = run(Z_FULL_FLUSH, zeros);
    const QByteArray last = run(Z_FINISH, QByteArray());
    deflateEnd(&z);
    QByteArray out = first;
    for (int i = 1; i < mib; ++i)
        out += repeated;
    out += last;
    const uLong one = ::crc32(0, reinterpret_cast<const Bytef*>(zeros.constData()), uInt(zeros.size()));
    uLong all = one;
    for (int i = 1; i < mib; ++i)
        all = ::crc32_combine(all, one, zeros.size());
    *crc = quint32(all);
    return out;
}

// `data` gzip-encoded (for bodies with Content-Encoding: gzip).
inline QByteArray gzipOf(const QByteArray& data)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(data.size()))) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(int(z.total_out));
    deflateEnd(&z);
    return out;
}
