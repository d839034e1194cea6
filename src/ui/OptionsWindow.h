#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace ze {

class Recorder;
class RecordingOptions;
class RigServer;
class SerialPort;
class Station;

// frmOptions, "Options": the serial port and its line settings, network control, recording.
class OptionsWindow : public QDialog
{
    Q_OBJECT
public:
    OptionsWindow(Station &station, SerialPort &serialPort, RigServer &rigServer,
                  Recorder *recorder = nullptr, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void applyChoice();
    void testPort();
    void showTestResult(const QString &text);
    // The ports found now; the typed text stays.
    void listPorts();

    Station &m_station;
    SerialPort &m_serialPort;
    RigServer &m_rigServer;
    QComboBox *m_combo1;
    QComboBox *m_combo2;
    QLabel *m_testResult;
    QCheckBox *m_network;
    QSpinBox *m_networkPort;
    QCheckBox *m_networkAnyHost;
    Recorder *m_recorder;
    RecordingOptions *m_recording = nullptr;
};

} // namespace ze
