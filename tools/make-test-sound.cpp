// Makes the speaker test's sound at build time: a 7.1 WAV file in which a
// voice names each speaker, in that speaker's own channel, at the moment the
// window lights the speaker up. The voice comes from espeak-ng, which gives
// the same samples for the same words every time, so the build stays
// reproducible.
//
// Usage: make-test-sound ESPEAK_NG OUTPUT.wav

#include "MyThread_Two.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kSampleRate = 48000;
constexpr int kBitsPerSample = 16;

// Channel order of a 7.1 file with the standard channel mask.
enum Channel
{
    FrontLeft,
    FrontRight,
    FrontCenter,
    LowFrequency,
    BackLeft,
    BackRight,
    SideLeft,
    SideRight,
    kChannelCount
};
constexpr quint32 kChannelMask = 0x63F; // FL FR FC LFE BL BR SL SR

struct Announcement
{
    Channel channel;
    const char* words;
};
// By step of the test, in the order the window lights the speakers.
constexpr Announcement kAnnouncements[] = {
    {FrontLeft, "Front left"}, {FrontCenter, "Center"},   {FrontRight, "Front right"},
    {SideRight, "Side right"}, {BackRight, "Back right"}, {BackLeft, "Back left"},
    {SideLeft, "Side left"},
};
static_assert(std::size(kAnnouncements) == MyThread_Two::kSteps.size() - 1,
              "one announcement per speaker step");

// The sound goes on briefly after the step that ends the test.
constexpr int kTailMs = 100;
// Announcements are trimmed to where the voice is louder than this...
constexpr double kSilenceLevel = 0.01;
// ...faded in and out over this time against clicks...
constexpr int kFadeMs = 5;
// ...and brought to this peak level.
constexpr double kPeakLevel = 0.7;
constexpr char kVoice[] = "en-us";
constexpr char kWordsPerMinute[] = "150";

using Samples = std::vector<double>;

int framesOfMs(qint64 ms)
{
    return static_cast<int>(ms * kSampleRate / 1000);
}

int startFrameOfStep(int step)
{
    return framesOfMs(qint64(MyThread_Two::kSteps[step - 1].tick) * MyThread_Two::kDefaultTickMs);
}

// A mono 16-bit PCM WAV file as samples from -1 to 1, with its sample rate.
Samples readMonoWav(const QString& path, int& sampleRate)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    char tag[4];
    quint32 size = 0;
    in.readRawData(tag, 4);
    in >> size;
    char wave[4];
    in.readRawData(wave, 4);
    if (QByteArray(tag, 4) != "RIFF" || QByteArray(wave, 4) != "WAVE")
        throw std::runtime_error(path.toStdString() + " is not a WAV file");
    bool formatSeen = false;
    while (!in.atEnd()) {
        in.readRawData(tag, 4);
        in >> size;
        const QByteArray id(tag, 4);
        if (id == "fmt ") {
            quint16 format = 0, channels = 0, blockAlign = 0, bits = 0;
            quint32 rate = 0, byteRate = 0;
            in >> format >> channels >> rate >> byteRate >> blockAlign >> bits;
            in.skipRawData(int(size) - 16);
            if (size < 16 || format != 1 || channels != 1 || bits != 16)
                throw std::runtime_error(path.toStdString() + " is not mono 16-bit PCM");
            sampleRate = int(rate);
            formatSeen = true;
        } else if (id == "data" && formatSeen) {
            // A writer that streams may leave the size open; the file's end tells.
            const qint64 available = file.size() - file.pos();
            const qint64 count = std::min<qint64>(size, available) / 2;
            Samples samples(count);
            for (double& sample : samples) {
                qint16 value = 0;
                in >> value;
                sample = value / 32768.0;
            }
            return samples;
        } else {
            in.skipRawData(int(size + (size & 1)));
        }
    }
    throw std::runtime_error(path.toStdString() + " holds no sound");
}

Samples speak(const QString& espeak, const QString& words, const QTemporaryDir& scratch)
{
    const QString path = scratch.filePath("words.wav");
    QProcess process;
    process.start(espeak, {"-v", kVoice, "-s", kWordsPerMinute, "-w", path, words});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("%1 could not say \"%2\": %3 %4")
                                     .arg(espeak, words, process.errorString(),
                                          QString::fromLocal8Bit(process.readAllStandardError()))
                                     .toStdString());
    int rate = 0;
    const Samples samples = readMonoWav(path, rate);
    if (rate <= 0)
        throw std::runtime_error("espeak-ng gave a sound without sample rate");
    // Linear interpolation is plenty for speech.
    const double step = double(rate) / kSampleRate;
    Samples resampled(static_cast<size_t>((samples.size() - 1) / step) + 1);
    for (size_t i = 0; i < resampled.size(); ++i) {
        const double position = i * step;
        const size_t left = static_cast<size_t>(position);
        const size_t right = std::min(left + 1, samples.size() - 1);
        const double weight = position - left;
        resampled[i] = samples[left] * (1 - weight) + samples[right] * weight;
    }
    return resampled;
}

// The voice only, faded at both ends and at a fixed loudness.
Samples shapeAnnouncement(const Samples& voice)
{
    const auto loud = [](double sample) { return std::abs(sample) > kSilenceLevel; };
    const auto first = std::find_if(voice.begin(), voice.end(), loud);
    const auto last = std::find_if(voice.rbegin(), voice.rend(), loud).base();
    if (first >= last)
        throw std::runtime_error("espeak-ng produced silence");
    Samples shaped(first, last);
    const int fade = std::min<int>(framesOfMs(kFadeMs), int(shaped.size()) / 2);
    for (int i = 0; i < fade; ++i) {
        shaped[i] *= double(i) / fade;
        shaped[shaped.size() - 1 - i] *= double(i) / fade;
    }
    double peak = 0;
    for (double sample : shaped)
        peak = std::max(peak, std::abs(sample));
    for (double& sample : shaped)
        sample *= kPeakLevel / peak;
    return shaped;
}

void writeWav(const QString& path, const std::vector<qint16>& interleaved)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint16 blockAlign = kChannelCount * kBitsPerSample / 8;
    const quint32 dataBytes = quint32(interleaved.size() * sizeof(qint16));
    constexpr quint32 kFormatBytes = 40;
    out.writeRawData("RIFF", 4);
    out << quint32(4 + 8 + kFormatBytes + 8 + dataBytes);
    out.writeRawData("WAVE", 4);
    out.writeRawData("fmt ", 4);
    out << kFormatBytes << quint16(0xFFFE) << quint16(kChannelCount) << quint32(kSampleRate)
        << quint32(kSampleRate * blockAlign) << blockAlign << quint16(kBitsPerSample);
    // The extension: 22 bytes with the valid bits, the channel mask and the
    // PCM sub-format GUID.
    out << quint16(22) << quint16(kBitsPerSample) << kChannelMask;
    const char pcmSubFormat[16] = {0x01, 0x00, 0x00,       0x00, 0x00, 0x00,
                                   0x10, 0x00, char(0x80), 0x00, 0x00, char(0xAA),
                                   0x00, 0x38, char(0x9B), 0x71};
    out.writeRawData(pcmSubFormat, sizeof pcmSubFormat);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (qint16 sample : interleaved)
        out << sample;
    if (out.status() != QDataStream::Ok || !file.commit())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void makeTestSound(const QString& espeak, const QString& outputPath)
{
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("no temporary folder for the voice");
    const int frames = startFrameOfStep(MyThread_Two::kFinalStep) + framesOfMs(kTailMs);
    std::vector<qint16> interleaved(size_t(frames) * kChannelCount, 0);
    for (int step = 1; step < MyThread_Two::kFinalStep; ++step) {
        const Announcement& announcement = kAnnouncements[step - 1];
        const Samples voice = shapeAnnouncement(speak(espeak, announcement.words, scratch));
        const int start = startFrameOfStep(step);
        // Each name is over before the next speaker lights up.
        if (start + int(voice.size()) >= startFrameOfStep(step + 1))
            throw std::runtime_error(std::string("\"") + announcement.words +
                                     "\" takes longer than its step");
        for (size_t i = 0; i < voice.size(); ++i)
            interleaved[(start + i) * kChannelCount + announcement.channel] =
                qint16(std::lround(voice[i] * 32767));
    }
    writeWav(outputPath, interleaved);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: make-test-sound ESPEAK_NG OUTPUT.wav\n");
        return 2;
    }
    try {
        makeTestSound(arguments[1], arguments[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-test-sound: %s\n", error.what());
        return 1;
    }
    return 0;
}
