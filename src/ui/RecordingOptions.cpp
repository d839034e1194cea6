#include "ui/RecordingOptions.h"

#include "audio/Recorder.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>

#include <cmath>

namespace ze {

namespace {

QSpinBox *newSpin(const QString &name, const QString &accessible, int low, int high,
                  const QString &suffix, QWidget *parent)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setAccessibleName(accessible);
    spin->setRange(low, high);
    spin->setSuffix(suffix);
    // Digits as everywhere in the station, whatever the desktop's language.
    spin->setLocale(QLocale::c());
    return spin;
}

} // namespace

RecordingOptions::RecordingOptions(Recorder &recorder, QWidget *parent)
    : QGroupBox(QStringLiteral("Recording"), parent)
    , m_recorder(recorder)
{
    setObjectName(QStringLiteral("fraRecording"));
    m_record = new QCheckBox(QStringLiteral("Record the receiver's audio of every hit"), this);
    m_record->setObjectName(QStringLiteral("chkRecord"));
    m_record->setAccessibleName(QStringLiteral("Record every hit"));
    m_input = new QComboBox(this);
    m_input->setObjectName(QStringLiteral("cmbAudioInput"));
    m_input->setAccessibleName(QStringLiteral("Audio input"));
    m_input->setMinimumContentsLength(30);
    m_level = new QProgressBar(this);
    m_level->setObjectName(QStringLiteral("barAudioLevel"));
    m_level->setAccessibleName(QStringLiteral("Audio input level"));
    m_level->setRange(0, 100);
    m_level->setTextVisible(false);
    m_level->setMaximumWidth(120);
    m_state = newLabel(QStringLiteral("lblAudioState"), QString(), this);
    m_state->setAccessibleDescription(QStringLiteral("State of the audio input"));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("cmbRecordFormat"));
    m_format->setAccessibleName(QStringLiteral("Recording file format"));
    m_format->addItem(QStringLiteral("FLAC (lossless)"), int(RecordingFormat::Flac));
    m_format->addItem(QStringLiteral("WAV"), int(RecordingFormat::Wav));
    m_format->addItem(QStringLiteral("Ogg Opus (small)"), int(RecordingFormat::Opus));
    m_preRoll = newSpin(QStringLiteral("spnPreRoll"), QStringLiteral("Pre-roll in milliseconds"), 0,
                        5000, QStringLiteral(" ms"), this);
    m_preRoll->setSingleStep(100);
    m_tail = newSpin(QStringLiteral("spnTail"), QStringLiteral("Tail in milliseconds"), 0, 10000,
                     QStringLiteral(" ms"), this);
    m_tail->setSingleStep(100);
    m_longest = newSpin(QStringLiteral("spnMaxLength"),
                        QStringLiteral("Longest recording in seconds"), 1, 3600,
                        QStringLiteral(" s"), this);
    m_shortest = newSpin(QStringLiteral("spnShortest"),
                         QStringLiteral("Shortest hit kept in milliseconds"), 0, 60000,
                         QStringLiteral(" ms"), this);
    m_shortest->setSingleStep(100);
    m_deleteOld = new QCheckBox(QStringLiteral("Delete recordings older than"), this);
    m_deleteOld->setObjectName(QStringLiteral("chkDeleteOld"));
    m_deleteOld->setAccessibleName(QStringLiteral("Delete old recordings"));
    m_keepDays = newSpin(QStringLiteral("spnKeepDays"), QStringLiteral("Days to keep recordings"),
                         1, 3650, QStringLiteral(" days"), this);

    auto *grid = new QGridLayout(this);
    const auto label = [this](const char *name, const char *text, QWidget *buddy) {
        QLabel *l = newLabel(QLatin1String(name), QLatin1String(text), this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(m_record, 0, 0, 1, 4);
    grid->addWidget(label("lblAudioInput", "&Input", m_input), 1, 0);
    grid->addWidget(m_input, 1, 1, 1, 2);
    grid->addWidget(m_level, 1, 3);
    grid->addWidget(m_state, 2, 1, 1, 3);
    grid->addWidget(label("lblRecordFormat", "F&ormat", m_format), 3, 0);
    grid->addWidget(m_format, 3, 1);
    grid->addWidget(label("lblPreRoll", "Pre-roll", m_preRoll), 4, 0);
    grid->addWidget(m_preRoll, 4, 1);
    grid->addWidget(label("lblTail", "Tail", m_tail), 4, 2);
    grid->addWidget(m_tail, 4, 3);
    grid->addWidget(label("lblMaxLength", "Longest", m_longest), 5, 0);
    grid->addWidget(m_longest, 5, 1);
    grid->addWidget(label("lblShortest", "Shortest kept", m_shortest), 5, 2);
    grid->addWidget(m_shortest, 5, 3);
    grid->addWidget(m_deleteOld, 6, 0, 1, 2);
    grid->addWidget(m_keepDays, 6, 2);
    grid->setColumnStretch(1, 1);

    connect(&recorder, &Recorder::level, this,
            [this](double peak) { m_level->setValue(int(std::lround(peak * 100))); });
    connect(&recorder, &Recorder::inputsChanged, this, [this] {
        if (isVisible())
            showChoice();
    });
    connect(m_deleteOld, &QCheckBox::toggled, m_keepDays, &QWidget::setEnabled);
    connect(m_input, &QComboBox::activated, this, [this] {
        m_level->setValue(0);
        m_recorder.setMonitoring(true, m_input->currentData().toString());
    });
}

void RecordingOptions::showChoice()
{
    const RecordingSettings s = m_recorder.settings();
    m_input->clear();
    const QList<QAudioDevice> inputs = m_recorder.inputs();
    for (const QAudioDevice &device : inputs)
        m_input->addItem(device.description(), QString::fromUtf8(device.id()));
    const int at = m_input->findData(s.device);
    m_input->setCurrentIndex(at >= 0 ? at : 0);
    // Nothing to record from: recording stays off until an input is there.
    const bool any = !inputs.isEmpty();
    m_state->setText(any ? QString() : QStringLiteral("no audio input found"));
    m_state->setVisible(!any);
    m_record->setChecked(s.enabled && any);
    m_record->setEnabled(any);
    m_input->setEnabled(any);
    m_level->setValue(0);
    m_format->setCurrentIndex(m_format->findData(int(s.format)));
    m_preRoll->setValue(s.preRollMs);
    m_tail->setValue(s.tailMs);
    m_longest->setValue(s.maxSeconds);
    m_shortest->setValue(s.shortestMs);
    m_deleteOld->setChecked(s.keepDays > 0);
    m_keepDays->setValue(s.keepDays > 0 ? s.keepDays : 30);
    m_keepDays->setEnabled(s.keepDays > 0);
    m_recorder.setMonitoring(any, m_input->currentData().toString());
}

void RecordingOptions::stopMeter()
{
    m_recorder.setMonitoring(false);
}

RecordingSettings RecordingOptions::chosen() const
{
    RecordingSettings s;
    s.enabled = m_record->isChecked() && m_record->isEnabled();
    // The default input is kept as "the default", so a new default is followed.
    s.device = m_input->currentIndex() > 0 ? m_input->currentData().toString() : QString();
    s.format = RecordingFormat(m_format->currentData().toInt());
    s.preRollMs = m_preRoll->value();
    s.tailMs = m_tail->value();
    s.maxSeconds = m_longest->value();
    s.shortestMs = m_shortest->value();
    s.keepDays = m_deleteOld->isChecked() ? m_keepDays->value() : 0;
    return s;
}

} // namespace ze
