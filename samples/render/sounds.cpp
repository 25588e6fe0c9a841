// SPDX-License-Identifier: GPL-3.0-or-later
#include "extras.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace cuaderno::samples {
namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 2 * std::numbers::pi;

void putLe32(QByteArray& out, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    out.append(bytes, 4);
}

void putLe16(QByteArray& out, quint16 v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    out.append(bytes, 2);
}

QByteArray wav(const std::vector<double>& samples)
{
    const auto dataBytes = quint32(samples.size() * 2);
    QByteArray out;
    out.append("RIFF", 4);
    putLe32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    putLe32(out, 16);
    putLe16(out, 1); // PCM
    putLe16(out, 1); // mono
    putLe32(out, kRate);
    putLe32(out, kRate * 2);
    putLe16(out, 2);
    putLe16(out, 16);
    out.append("data", 4);
    putLe32(out, dataBytes);
    for (double s : samples)
        putLe16(out, quint16(qint16(std::lround(std::clamp(s, -1.0, 1.0) * 32000))));
    return out;
}

// A soft rise and fall at both ends so the sound never starts or stops on a click.
double edges(double t, double length, double attack, double release)
{
    if (t < attack)
        return 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack);
    if (t > length - release)
        return 0.5 + 0.5 * std::cos(std::numbers::pi * (t - (length - release)) / release);
    return 1.0;
}

// A bell-like note: fundamental plus two quiet overtones, fading out.
double chime(double t, double frequency)
{
    if (t < 0)
        return 0;
    const double tone = std::sin(kTwoPi * frequency * t) +
                        0.25 * std::sin(kTwoPi * 2 * frequency * t) +
                        0.08 * std::sin(kTwoPi * 3 * frequency * t);
    return tone * std::exp(-t / 0.09) * edges(t, 1.0, 0.006, 0.0);
}

} // namespace

QByteArray pageForwardSound()
{
    // Two rising notes, C6 then G6.
    constexpr double length = 0.32;
    std::vector<double> samples(std::size_t(length * kRate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / kRate;
        const double v = 0.55 * chime(t, 1046.5) + 0.55 * chime(t - 0.11, 1568.0);
        samples[i] = 0.7 * v * edges(t, length, 0.004, 0.03);
    }
    return wav(samples);
}

QByteArray pageBackSound()
{
    // A short whistle sliding down an octave and a half.
    constexpr double length = 0.3, from = 900.0, to = 340.0;
    std::vector<double> samples(std::size_t(length * kRate));
    double phase = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / kRate;
        const double frequency = from * std::pow(to / from, t / length);
        phase += kTwoPi * frequency / kRate;
        const double tone = std::sin(phase) + 0.2 * std::sin(2 * phase);
        samples[i] = 0.5 * tone * edges(t, length, 0.02, 0.09);
    }
    return wav(samples);
}

} // namespace cuaderno::samples
