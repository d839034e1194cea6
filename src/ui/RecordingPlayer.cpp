#include "ui/RecordingPlayer.h"

#include "audio/Playback.h"
#include "ui/Controls.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

namespace ze {

namespace {

QString clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

RecordingPlayer::RecordingPlayer(const QString &prefix, QWidget *parent)
    : QWidget(parent)
    , m_playback(std::make_unique<Playback>())
{
    m_play = newButton(QStringLiteral("cmd%1Play").arg(prefix), QStringLiteral("&Play"),
                       QStringLiteral("Play the recording"), this);
    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setObjectName(QStringLiteral("sld%1Position").arg(prefix));
    m_position->setAccessibleName(QStringLiteral("Position in the recording"));
    m_time = newLabel(QStringLiteral("lbl%1Time").arg(prefix),
                      clock(0) + QStringLiteral(" / ") + clock(0), this);
    m_time->setAccessibleDescription(QStringLiteral("Time played of the recording"));
    m_folder = newButton(QStringLiteral("cmd%1Folder").arg(prefix), QStringLiteral("Open &folder"),
                         QStringLiteral("Open the folder of the recording"), this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_play);
    layout->addWidget(m_position, 1);
    layout->addWidget(m_time);
    layout->addWidget(m_folder);
    setFile(QString());

    connect(m_play, &QPushButton::clicked, this, &RecordingPlayer::playOrPause);
    connect(m_folder, &QPushButton::clicked, this, &RecordingPlayer::openFolder);
    // Seeks where the handle is let go, not at every step of a drag.
    connect(m_position, &QSlider::sliderReleased, this,
            [this] { m_playback->seek(m_position->value()); });
    connect(m_position, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            m_playback->seek(m_position->sliderPosition());
    });
    connect(m_playback.get(), &Playback::started, this, [this](qint64 ms) {
        m_position->setRange(0, int(ms));
        showPosition(0);
    });
    connect(m_playback.get(), &Playback::positionChanged, this, &RecordingPlayer::showPosition);
    connect(m_playback.get(), &Playback::playingChanged, this, &RecordingPlayer::showPlaying);
    connect(m_playback.get(), &Playback::ended, this, [this] {
        m_playingFile.clear();
        showPosition(m_playback->durationMs());
        m_position->setEnabled(false);
    });
    connect(m_playback.get(), &Playback::failed, this, [this](const QString &why) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Play"), why, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
}

RecordingPlayer::~RecordingPlayer() = default;

void RecordingPlayer::setFile(const QString &path)
{
    m_file = QFileInfo(path).isFile() ? path : QString();
    const bool same = !m_file.isEmpty() && m_file == m_playingFile;
    m_play->setEnabled(!m_file.isEmpty());
    m_folder->setEnabled(!m_file.isEmpty());
    m_position->setEnabled(same);
    m_play->setText(same && m_playback->playing() ? QStringLiteral("&Pause")
                                                  : QStringLiteral("&Play"));
}

void RecordingPlayer::playOrPause()
{
    if (m_file.isEmpty())
        return;
    if (m_file != m_playingFile) {
        m_playingFile = m_file;
        m_playback->play(m_file);
        m_position->setEnabled(true);
    } else if (m_playback->playing()) {
        m_playback->pause();
    } else {
        m_playback->resume();
    }
}

void RecordingPlayer::openFolder()
{
    if (!m_file.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(m_file).absolutePath()));
}

void RecordingPlayer::showPosition(qint64 ms)
{
    if (!m_position->isSliderDown())
        m_position->setValue(int(ms));
    m_time->setText(clock(ms) + QStringLiteral(" / ") + clock(m_playback->durationMs()));
}

void RecordingPlayer::showPlaying(bool playing)
{
    m_play->setText(playing ? QStringLiteral("&Pause") : QStringLiteral("&Play"));
}

} // namespace ze
