// The playback streams as a private sound server reports them: a stream's
// application properties, its output, whether that output is the headset's
// (a USB device of the headset's vendor and products, or the default output
// standing in), and its end; all as the server's events bring them.

#include "PlaybackStreams.h"
#include "SoundStreams.h"

#include <QtTest>

namespace {

constexpr int kWaitMs = 10000;

const PlaybackStream* streamOf(const PlaybackStreams& streams, const QString& binary)
{
    for (const PlaybackStream& stream : streams.streams())
        if (stream.processBinary == binary)
            return &stream;
    return nullptr;
}

} // namespace

class TestPlaybackStreams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void streamsOnTheHeadsetsOutput();
    void defaultOutputStandsIn();

private:
    std::unique_ptr<SoundStreams> m_sound;
};

void TestPlaybackStreams::initTestCase()
{
    QVERIFY2(!qEnvironmentVariable("VELUMIX_PULSE_DIR").isEmpty(),
             "run through ctest: the pulse_server fixture provides the server's folder");
    m_sound = std::make_unique<SoundStreams>(QStringLiteral("streams"));
    QVERIFY(m_sound->start());
    QVERIFY(m_sound->addOutput("headset_out", "3206", "1054"));
    QVERIFY(m_sound->addOutput("speakers_out"));
    QVERIFY(m_sound->addOutput("other_headset_out", "3206", "9999"));
}

void TestPlaybackStreams::streamsOnTheHeadsetsOutput()
{
    HeadsetOutput output;
    output.vendorId = 0x3206;
    output.productIds = {0x1054, 0x0f51};
    PlaybackStreams streams(output, m_sound->address());
    QTRY_VERIFY_WITH_TIMEOUT(streams.connected(), kWaitMs);

    QVERIFY(m_sound->play("game", "headset_out", "Steam", "steam"));
    QVERIFY(m_sound->play("music", "speakers_out", "Music", "mpv"));
    QVERIFY(m_sound->play("other", "other_headset_out", "Other", "other"));
    QTRY_VERIFY_WITH_TIMEOUT(streamOf(streams, "steam") && streamOf(streams, "mpv") &&
                                 streamOf(streams, "other"),
                             kWaitMs);
    const PlaybackStream game = *streamOf(streams, "steam");
    QCOMPARE(game.applicationName, QStringLiteral("Steam"));
    QCOMPARE(game.application(), QStringLiteral("steam"));
    QVERIFY(game.onHeadset);
    QVERIFY(!game.corked);
    QVERIFY(!streamOf(streams, "mpv")->onHeadset);
    QVERIFY(!streamOf(streams, "other")->onHeadset);

    QSignalSpy changes(&streams, &PlaybackStreams::streamsChanged);
    m_sound->stop("game");
    QTRY_VERIFY_WITH_TIMEOUT(!streamOf(streams, "steam"), kWaitMs);
    QVERIFY(!changes.isEmpty());
    m_sound->stop("music");
    m_sound->stop("other");
    QTRY_VERIFY_WITH_TIMEOUT(streams.streams().isEmpty(), kWaitMs);
}

void TestPlaybackStreams::defaultOutputStandsIn()
{
    QVERIFY(m_sound->setDefaultOutput("speakers_out"));
    HeadsetOutput output;
    output.defaultSink = true;
    PlaybackStreams streams(output, m_sound->address());
    QTRY_VERIFY_WITH_TIMEOUT(streams.connected(), kWaitMs);
    QVERIFY(m_sound->play("music", "speakers_out", "Music", "mpv"));
    QVERIFY(m_sound->play("game", "headset_out", "Steam", "steam"));
    QTRY_VERIFY_WITH_TIMEOUT(streamOf(streams, "mpv") && streamOf(streams, "steam"), kWaitMs);
    QVERIFY(streamOf(streams, "mpv")->onHeadset);
    QVERIFY(!streamOf(streams, "steam")->onHeadset);
    // The default output changing moves the headset's stand-in with it.
    QVERIFY(m_sound->setDefaultOutput("headset_out"));
    QTRY_VERIFY_WITH_TIMEOUT(streamOf(streams, "steam") && streamOf(streams, "steam")->onHeadset,
                             kWaitMs);
    m_sound->stop("music");
    m_sound->stop("game");
}

QTEST_GUILESS_MAIN(TestPlaybackStreams)
#include "tst_playbackstreams.moc"
