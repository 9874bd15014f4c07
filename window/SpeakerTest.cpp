#include "SpeakerTest.h"

#include "DataFolder.h"
#include "HeadsetSession.h"
#include "MessageBox.h"
#include "MyThread_Two.h"
#include "SystemVolume.h"
#include "WindowDiagnostics.h"
#include "ui_Velumix.h"

#include <QMediaPlayer>
#include <QMovie>
#include <QUrl>

namespace {

constexpr int kSpeakerCount = 7;
constexpr int kTestVolume = 50;
// The side left speaker of step 7 is also the label a finished run tidies.
constexpr int kLastSpeakerStep = 7;

using Form = Ui::VelumixClass;

struct Speaker
{
    QLabel* Form::*label;
    const char* animation;
    const char* stillPicture;
};

// By step: front left, centre, front right, side right, back right, back
// left, side left.
constexpr std::array<Speaker, kSpeakerCount> kSpeakers{{
    {&Form::label_Horn_LeftUp, ":/gif/pic/gif/左上1.gif", ":/png/pic/png/左上1.png"},
    {&Form::label_Horn_Up, ":/gif/pic/gif/上1.gif", ":/png/pic/png/上1.png"},
    {&Form::label_Horn_RightUp, ":/gif/pic/gif/右上1.gif", ":/png/pic/png/右上1.png"},
    {&Form::label_Horn_Right, ":/gif/pic/gif/右1.gif", ":/png/pic/png/右1.png"},
    {&Form::label_Horn_RightDown, ":/gif/pic/gif/右下1.gif", ":/png/pic/png/右下1.png"},
    {&Form::label_Horn_LeftDown, ":/gif/pic/gif/左下.gif", ":/png/pic/png/左下1.png"},
    {&Form::label_Horn_Left, ":/gif/pic/gif/左1.gif", ":/png/pic/png/左1.png"},
}};

const char* const kPersonAnimation = ":/gif/pic/gif/PersonHead1.gif";
const char* const kNoSoundServerText =
    "No sound can be played: no sound server (PulseAudio or PipeWire) is running.\n\n"
    "Start one, then run the speaker test again.";

bool isSpeakerStep(int step)
{
    return step >= 1 && step <= kSpeakerCount;
}

const Speaker& speakerOf(int step)
{
    return kSpeakers[step - 1];
}

QLabel* labelOf(Form& form, int step)
{
    return form.*speakerOf(step).label;
}

// A speaker's still picture as a style sheet. Some places of the test write
// it as a bare rule, others inside a QLabel selector; both look the same.
enum class RuleForm
{
    Bare,
    LabelSelector
};

QString stillPictureStyle(int step, RuleForm form)
{
    const QString rule = QStringLiteral("border-image: url(%1);")
                             .arg(QString::fromUtf8(speakerOf(step).stillPicture));
    return form == RuleForm::Bare ? rule : QStringLiteral("QLabel{%1}").arg(rule);
}

} // namespace

SpeakerTest::SpeakerTest(Ui::VelumixClass& form, HeadsetSession& session, SystemVolume& volume,
                         QObject* parent)
    : QObject(parent), m_form(form), m_session(session), m_volume(volume)
{}

SpeakerTest::~SpeakerTest()
{
    if (!m_thread)
        return;
    m_thread->quitAndWait();
    delete m_thread;
}

void SpeakerTest::pressTestButton()
{
    if (!m_session.isOpen()) {
        showMessageBox(QMessageBox::Warning, "warning", "Pleasr Insert Device!");
        return;
    }
    const bool newRun = m_clickCount == 0;
    // Lighting the speakers in silence would pass for a test that went well.
    if (newRun && !m_volume.serverReachable()) {
        showMessageBox(QMessageBox::Warning, "warning", kNoSoundServerText);
        return;
    }
    m_form.pushButton_SurroundTest->setText("Testing");
    const bool paused = !newRun && m_clickCount % 2 == 0;
    if (newRun) {
        m_running = true;
        ensureThread();
        initAnimations();
        startAudio();
    } else if (m_player) {
        if (paused)
            resume();
        else
            pause();
    }
    ++m_clickCount;
}

// One thread serves every run and every headset; it sleeps between runs.
void SpeakerTest::ensureThread()
{
    if (m_thread)
        return;
    m_thread = new MyThread_Two;
    connect(m_thread, &MyThread_Two::sendSetMicTimer, this, &SpeakerTest::followStep,
            Qt::QueuedConnection);
    m_thread->start(QThread::InheritPriority);
}

void SpeakerTest::initAnimations()
{
    delete m_personMovie;
    m_personMovie = new QMovie(kPersonAnimation, QByteArray(), this);
    m_form.label_PersonGif->setStyleSheet(QString());
    m_form.label_PersonGif->setMovie(m_personMovie);
    m_form.label_PersonGif->setScaledContents(true);
    m_personMovie->start();
    // Started one at a time as their steps come.
    for (int step = 1; step <= kSpeakerCount; ++step) {
        QMovie*& movie = m_speakerMovies[step - 1];
        delete movie;
        movie = new QMovie(QString::fromUtf8(speakerOf(step).animation), QByteArray(), this);
        QLabel* label = labelOf(m_form, step);
        label->setMovie(movie);
        label->setScaledContents(true);
    }
}

void SpeakerTest::startAudio()
{
    const QString path = soundFile;
    m_player = new QMediaPlayer(this);
    // Without the sound the speakers still light up in turn.
    connect(m_player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this,
            [player = m_player, path] {
                qCWarning(lcWindow).noquote()
                    << "The test sound" << path << "cannot be played:" << player->errorString();
            });
    m_player->setMedia(QUrl::fromLocalFile(path));
    m_player->setVolume(kTestVolume);
    m_player->play();
    m_thread->startRun();
}

void SpeakerTest::pause()
{
    m_form.pushButton_SurroundTest->setText("Test");
    m_running = false;
    m_thread->setPaused(true);
    m_player->pause();
    m_personMovie->stop();
    if (isSpeakerStep(m_step))
        m_speakerMovies[m_step - 1]->stop();
}

void SpeakerTest::resume()
{
    m_form.pushButton_SurroundTest->setText("Testing");
    m_running = true;
    m_thread->setPaused(false);
    m_player->play();
    if (isSpeakerStep(m_step))
        m_speakerMovies[m_step - 1]->start();
    m_personMovie->start();
}

void SpeakerTest::followStep(int step)
{
    // A step that was still queued when its run ended belongs to no run.
    if (m_clickCount == 0 || !m_thread || !m_thread->isStepOfCurrentRun(step))
        return;
    if (step == MyThread_Two::kFinalStep)
        finish();
    else if (isSpeakerStep(step))
        showSpeakerStep(step);
}

void SpeakerTest::showSpeakerStep(int step)
{
    // The first speaker's still picture stays behind its animation.
    if (step > 1) {
        const int previous = step - 1;
        retireSpeakerMovie(previous);
        const RuleForm form = previous == 1 ? RuleForm::Bare : RuleForm::LabelSelector;
        labelOf(m_form, previous)->setStyleSheet(stillPictureStyle(previous, form));
        labelOf(m_form, step)->setStyleSheet(QString());
    }
    // A step emitted just before a pause animates once the run resumes.
    if (m_running)
        m_speakerMovies[step - 1]->start();
    m_step = step;
}

void SpeakerTest::finish()
{
    discardPlayer();
    m_personMovie->stop();
    retireSpeakerMovie(kLastSpeakerStep);
    m_form.label_Horn_Left->setStyleSheet(
        stillPictureStyle(kLastSpeakerStep, RuleForm::LabelSelector));
    m_form.pushButton_SurroundTest->setText("Test");
    m_step = 0;
    m_running = false;
    m_clickCount = 0;
}

void SpeakerTest::stopPlaying()
{
    if (m_running)
        stop();
}

void SpeakerTest::stop()
{
    if (m_thread)
        m_thread->stopRun();
    discardPlayer();
    if (m_personMovie)
        m_personMovie->stop();
    if (isSpeakerStep(m_step)) {
        retireSpeakerMovie(m_step);
        labelOf(m_form, m_step)->setStyleSheet(stillPictureStyle(m_step, RuleForm::Bare));
    }
    m_form.label_Horn_Left->clear();
    m_form.label_Horn_Left->setStyleSheet(
        stillPictureStyle(kLastSpeakerStep, RuleForm::LabelSelector));
    m_form.pushButton_SurroundTest->setText("Test");
    m_step = 0;
    m_running = false;
    m_clickCount = 0;
}

// The step's animation ends and leaves its label.
void SpeakerTest::retireSpeakerMovie(int step)
{
    QMovie*& movie = m_speakerMovies[step - 1];
    if (movie)
        movie->stop();
    delete movie;
    movie = nullptr;
    labelOf(m_form, step)->clear();
}

void SpeakerTest::discardPlayer()
{
    if (!m_player)
        return;
    m_player->stop();
    m_player->deleteLater();
    m_player = nullptr;
}
