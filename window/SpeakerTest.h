#pragma once
// The 7.1 speaker test: the test button plays the test sound while the
// stepping thread lights the seven speakers of the picture one after
// another; the same button pauses and resumes, and leaving the page stops
// the run.

#include <QObject>

#include <array>

namespace Ui {
class VelumixClass;
}
class HeadsetSession;
class MyThread_Two;
class QMediaPlayer;
class QMovie;
class SystemVolume;

class SpeakerTest : public QObject
{
    Q_OBJECT

public:
    SpeakerTest(Ui::VelumixClass& form, HeadsetSession& session, SystemVolume& volume,
                QObject* parent);
    // Ends the stepping thread.
    ~SpeakerTest() override;

    // The test button: a new run, or pause and resume of the one under way.
    void pressTestButton();
    // A run playing ends; a paused one stays paused.
    void stopPlaying();
    void stop();

    bool isRunning() const { return m_running; }
    int step() const { return m_step; }
    int clickCount() const { return m_clickCount; }
    MyThread_Two* thread() const { return m_thread; }
    QMediaPlayer* player() const { return m_player; }

    // The sound a run plays; the one in the data folder unless a test says.
    QString soundFile;

private:
    void ensureThread();
    void initAnimations();
    void startAudio();
    void pause();
    void resume();
    void followStep(int step);
    void showSpeakerStep(int step);
    void finish();
    void retireSpeakerMovie(int step);
    void discardPlayer();

    Ui::VelumixClass& m_form;
    HeadsetSession& m_session;
    SystemVolume& m_volume;
    MyThread_Two* m_thread = nullptr;
    QMediaPlayer* m_player = nullptr;
    QMovie* m_personMovie = nullptr;
    // The speaker animations of the current run, step 1 at index 0.
    std::array<QMovie*, 7> m_speakerMovies{};
    bool m_running = false;
    int m_step = 0;
    int m_clickCount = 0;
};
