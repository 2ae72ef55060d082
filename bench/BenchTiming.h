#pragma once

// Timing helpers shared by the benchmark programs: each times its own work and a peer
// in the same run and prints their ratio.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace bench {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of `runs` timings of work; teardown (dropping what the previous run built)
// runs outside the timed part, before each run and once after the last.
inline double BestSeconds(
    int runs, const std::function<void()>& work, const std::function<void()>& teardown = [] {}) {
    double result = 1e30;
    for (int i = 0; i < runs; ++i) {
        teardown();
        result = std::min(result, Seconds(work));
    }
    teardown();
    return result;
}

// "name = ours/peer (target)   [ours ms vs peer ms]"
inline void RatioLine(const char* name, double ours, double peer, const char* target) {
    std::printf("%s = %.2f (%s)   [%.1f ms vs %.1f ms]\n", name, ours / peer, target, ours * 1e3,
                peer * 1e3);
}

// Peak resident memory of the process so far, in kilobytes; -1 where the system does
// not say.
inline long PeakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

}  // namespace bench
