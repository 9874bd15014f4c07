// The 7.1 speaker test: the test button plays the test sound while the
// stepping thread lights the seven speakers of the picture one after another;
// the same button pauses and resumes, and leaving the page stops the run.

#include "Velumix.h"

#include "MessageBox.h"
#include "MyThread_Two.h"
#include "SystemVolume.h"
#include "UsbHidOperation.h"
#include "WindowDiagnostics.h"

#include <QLoggingCategory>
#include <QMediaPlayer>
#include <QMovie>
#include <QUrl>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

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
const char* const kTestSound = "/audio/test.wav";
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

void Velumix::on_PushButton_PlayTest_Clicked()
{
    if (!linkState.deviceHandle) {
        showMessageBox(QMessageBox::Warning, "warning", "Pleasr Insert Device!");
        return;
    }
    const bool newRun = m_testClickCount == 0;
    // Lighting the speakers in silence would pass for a test that went well.
    if (newRun && !m_systemVolume->serverReachable()) {
        showMessageBox(QMessageBox::Warning, "warning", kNoSoundServerText);
        return;
    }
    ui.pushButton_SurroundTest->setText("Testing");
    const bool paused = !newRun && m_testClickCount % 2 == 0;
    if (newRun) {
        m_testRunning = true;
        ensureTestThread();
        initTestAnimations();
        startTestAudio();
    } else if (m_player) {
        if (paused)
            resumeSurroundTest();
        else
            pauseSurroundTest();
    }
    ++m_testClickCount;
}

// One thread serves every run and every headset; it sleeps between runs.
void Velumix::ensureTestThread()
{
    if (m_testThread)
        return;
    m_testThread = new MyThread_Two;
    connect(m_testThread, &MyThread_Two::sendSetMicTimer, this,
            &Velumix::on_SLOTSetMicTimer_LabelUI, Qt::QueuedConnection);
    debugLine("***** Start Connect Two! *****");
    m_testThread->start(QThread::InheritPriority);
}

void Velumix::stopTestThread()
{
    if (!m_testThread)
        return;
    m_testThread->quitAndWait();
    delete m_testThread;
    m_testThread = nullptr;
}

void Velumix::initTestAnimations()
{
    delete m_personMovie;
    m_personMovie = new QMovie(kPersonAnimation, QByteArray(), this);
    ui.label_PersonGif->setStyleSheet(QString());
    ui.label_PersonGif->setMovie(m_personMovie);
    ui.label_PersonGif->setScaledContents(true);
    m_personMovie->start();
    // Started one at a time as their steps come.
    for (int step = 1; step <= kSpeakerCount; ++step) {
        QMovie*& movie = m_speakerMovies[step - 1];
        delete movie;
        movie = new QMovie(QString::fromUtf8(speakerOf(step).animation), QByteArray(), this);
        QLabel* label = labelOf(ui, step);
        label->setMovie(movie);
        label->setScaledContents(true);
    }
}

void Velumix::startTestAudio()
{
    const QString path = m_qstrAppDirPath + kTestSound;
    debugLine("MediaPlayer Play Audio!");
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
    if (m_testThread)
        m_testThread->startRun();
    else
        debugLine("Please Input Device!");
}

void Velumix::pauseSurroundTest()
{
    ui.pushButton_SurroundTest->setText("Test");
    m_testRunning = false;
    m_testThread->setPaused(true);
    m_player->pause();
    m_personMovie->stop();
    if (isSpeakerStep(m_testStep))
        m_speakerMovies[m_testStep - 1]->stop();
}

void Velumix::resumeSurroundTest()
{
    ui.pushButton_SurroundTest->setText("Testing");
    m_testRunning = true;
    m_testThread->setPaused(false);
    m_player->play();
    if (isSpeakerStep(m_testStep))
        m_speakerMovies[m_testStep - 1]->start();
    m_personMovie->start();
}

void Velumix::on_SLOTSetMicTimer_LabelUI(int index)
{
    debugLine("SLOT::SetUI!");
    // A step that was still queued when its run ended belongs to no run.
    if (m_testClickCount == 0 || !m_testThread || !m_testThread->isStepOfCurrentRun(index))
        return;
    if (index == MyThread_Two::kFinalStep)
        finishSurroundTest();
    else if (isSpeakerStep(index))
        showSpeakerStep(index);
}

void Velumix::showSpeakerStep(int step)
{
    // The first speaker's still picture stays behind its animation.
    if (step > 1) {
        const int previous = step - 1;
        retireSpeakerMovie(previous);
        const RuleForm form = previous == 1 ? RuleForm::Bare : RuleForm::LabelSelector;
        labelOf(ui, previous)->setStyleSheet(stillPictureStyle(previous, form));
        labelOf(ui, step)->setStyleSheet(QString());
    }
    // A step emitted just before a pause animates once the run resumes.
    if (m_testRunning)
        m_speakerMovies[step - 1]->start();
    m_testStep = step;
}

void Velumix::finishSurroundTest()
{
    debugLine("m_player is stop!");
    if (m_player) {
        m_player->stop();
        qCDebug(lcWindow) << "mediaStatus ==" << m_player->mediaStatus();
    }
    discardPlayer();
    m_personMovie->stop();
    retireSpeakerMovie(kLastSpeakerStep);
    ui.label_Horn_Left->setStyleSheet(stillPictureStyle(kLastSpeakerStep, RuleForm::LabelSelector));
    ui.pushButton_SurroundTest->setText("Test");
    m_testStep = 0;
    m_testRunning = false;
    m_testClickCount = 0;
}

void Velumix::stopSurroundTest()
{
    if (m_testThread)
        m_testThread->stopRun();
    discardPlayer();
    if (m_personMovie)
        m_personMovie->stop();
    if (isSpeakerStep(m_testStep)) {
        retireSpeakerMovie(m_testStep);
        labelOf(ui, m_testStep)->setStyleSheet(stillPictureStyle(m_testStep, RuleForm::Bare));
    }
    ui.label_Horn_Left->clear();
    ui.label_Horn_Left->setStyleSheet(stillPictureStyle(kLastSpeakerStep, RuleForm::LabelSelector));
    ui.pushButton_SurroundTest->setText("Test");
    m_testStep = 0;
    m_testRunning = false;
    m_testClickCount = 0;
}

// The step's animation ends and leaves its label.
void Velumix::retireSpeakerMovie(int step)
{
    QMovie*& movie = m_speakerMovies[step - 1];
    if (movie)
        movie->stop();
    delete movie;
    movie = nullptr;
    labelOf(ui, step)->clear();
}

void Velumix::discardPlayer()
{
    if (!m_player)
        return;
    m_player->stop();
    m_player->deleteLater();
    m_player = nullptr;
}

void Velumix::on_PushButton_Horn_LeftUp_Clicked() {}
