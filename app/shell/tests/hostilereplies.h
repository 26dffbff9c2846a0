// Helpers of the hostile-reply tests: the longest stall of the GUI thread, the
// process's memory, and images made byte by byte (a PNG of any size whose
// pixels are all zero packs to a small file).
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QtEndian>

#include <zlib.h>

#include <time.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace hostile {

// The GUI thread's own processor time, in milliseconds.
inline qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Ticks every 2 ms on the GUI thread and keeps the longest time between two
// ticks: a frame cannot be drawn while the thread is held, so this is the
// longest a window could have waited for its frame. Of each gap it also keeps
// the processor time the thread spent in it (busyMs): the part that is the
// program's own work, not a busy machine's scheduling.
class GapMeter {
public:
    GapMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
            const qint64 cpu = threadCpuMs();
            busy_ = std::max(busy_, cpu - cpu_);
            cpu_ = cpu;
        });
        clock_.start();
        cpu_ = threadCpuMs();
        timer_.start();
    }
    qint64 longestMs() const { return longest_; }
    qint64 busyMs() const { return busy_; }
    void reset()
    {
        longest_ = busy_ = 0;
        clock_.restart();
        cpu_ = threadCpuMs();
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
    qint64 busy_ = 0;
    qint64 cpu_ = 0;
};

// The window stayed responsive: the GUI thread's own work never held a frame
// over 100 ms, and no wait of it (a read, a lock) held one over 250 ms even on
// a busy machine. Prints what was measured.
inline void expectResponsive(const GapMeter& gaps, const std::string& what)
{
    std::cout << what << ": longest stall " << gaps.longestMs() << " ms, of which busy " << gaps.busyMs() << " ms"
              << std::endl;
    EXPECT_LT(gaps.busyMs(), 100) << what;
    EXPECT_LT(gaps.longestMs(), 250) << what;
}

// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
inline qint64 statusKb(const char* field)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(field) + ":"))
            return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts a new peak: VmHWM counts from the resident size of now.
inline void resetPeakMemory()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

inline void appendChunk(QByteArray* png, const char* type, const QByteArray& data)
{
    uchar len[4];
    qToBigEndian<quint32>(quint32(data.size()), len);
    png->append(reinterpret_cast<const char*>(len), 4);
    const QByteArray body = QByteArray(type, 4) + data;
    png->append(body);
    uchar crc[4];
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc);
    png->append(reinterpret_cast<const char*>(crc), 4);
}

// An 8-bit RGB PNG of width x height black pixels, deflated row by row.
inline QByteArray blackPng(int width, int height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(quint32(width), reinterpret_cast<uchar*>(ihdr.data()));
    qToBigEndian<quint32>(quint32(height), reinterpret_cast<uchar*>(ihdr.data()) + 4);
    ihdr[8] = 8;  // bits per sample
    ihdr[9] = 2;  // RGB
    appendChunk(&png, "IHDR", ihdr);
    z_stream z{};
    deflateInit(&z, 9);
    const std::vector<Bytef> row(size_t(width) * 3 + 1, 0);  // filter byte and pixels
    QByteArray packed;
    std::vector<Bytef> out(1 << 16);
    for (int y = 0; y < height; ++y) {
        z.next_in = const_cast<Bytef*>(row.data());
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            packed.append(reinterpret_cast<const char*>(out.data()), int(out.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    appendChunk(&png, "IDAT", packed);
    appendChunk(&png, "IEND", QByteArray());
    return png;
}

}  // namespace hostile
