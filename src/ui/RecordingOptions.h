#pragma once

#include "audio/RecordingSettings.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QSpinBox;

namespace ze {

class Recorder;

// fraRecording, "Recording" in the options: on or off, the input, the file format, the times,
// what is kept, and a meter that shows the input hears the receiver.
class RecordingOptions : public QGroupBox
{
    Q_OBJECT
public:
    RecordingOptions(Recorder &recorder, QWidget *parent = nullptr);

    // The inputs found now, the chosen one picked; the meter runs from here.
    void showChoice();
    void stopMeter();
    RecordingSettings chosen() const;

private:
    Recorder &m_recorder;
    QCheckBox *m_record;
    QComboBox *m_input;
    QProgressBar *m_level;
    QLabel *m_state;
    QComboBox *m_format;
    QSpinBox *m_preRoll;
    QSpinBox *m_tail;
    QSpinBox *m_longest;
    QSpinBox *m_shortest;
    QCheckBox *m_deleteOld;
    QSpinBox *m_keepDays;
};

} // namespace ze
