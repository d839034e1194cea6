#include "ui/OptionsWindow.h"

#include "audio/Recorder.h"
#include "core/Station.h"
#include "receiver/PortDiagnosis.h"
#include "receiver/PortDiscovery.h"
#include "receiver/SerialPort.h"
#include "remote/RigServer.h"
#include "ui/Controls.h"
#include "ui/RecordingOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace ze {

namespace {

constexpr int descriptionRole = Qt::UserRole;

// The list shows each port with its description; a pick puts only the port's path in the box.
class PortDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(descriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("    ") + description;
    }
};

} // namespace

OptionsWindow::OptionsWindow(Station &station, SerialPort &serialPort, RigServer &rigServer,
                             Recorder *recorder, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_serialPort(serialPort)
    , m_rigServer(rigServer)
    , m_recorder(recorder)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    auto *frame = new QGroupBox(QStringLiteral("Setting"), this);
    frame->setObjectName(QStringLiteral("fraSample1"));
    auto *form = new QGridLayout(frame);
    QLabel *portLabel = newLabel(QStringLiteral("Label1"), QStringLiteral("Comport"), frame);
    m_combo1 = new QComboBox(frame);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setAccessibleName(QStringLiteral("Serial port"));
    QLabel *lineLabel = newLabel(QStringLiteral("Label2"), QStringLiteral("Baudrate"), frame);
    m_combo2 = new QComboBox(frame);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setEditable(true);
    m_combo2->setInsertPolicy(QComboBox::NoInsert);
    m_combo2->setAccessibleName(QStringLiteral("Line settings"));
    // Wide enough for a whole /dev/serial/by-id name.
    m_combo1->setMinimumContentsLength(60);
    m_combo2->setMinimumContentsLength(12);
    m_combo1->setItemDelegate(new PortDelegate(m_combo1));
    auto *test = newButton(QStringLiteral("cmdTest"), QStringLiteral("Test"),
                           QStringLiteral("Test the chosen port"), frame);
    m_testResult = newLabel(QStringLiteral("lblTestResult"), QString(), frame);
    m_testResult->setWordWrap(true);
    m_testResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portLabel->setBuddy(m_combo1);
    lineLabel->setBuddy(m_combo2);
    form->addWidget(portLabel, 0, 0);
    form->addWidget(m_combo1, 0, 1);
    form->addWidget(test, 0, 2);
    form->addWidget(lineLabel, 1, 0);
    form->addWidget(m_combo2, 1, 1);
    form->addWidget(m_testResult, 2, 0, 1, 3);
    form->setColumnStretch(1, 1);

    auto *network = new QGroupBox(QStringLiteral("Network control"), this);
    network->setObjectName(QStringLiteral("fraNetwork"));
    auto *networkForm = new QGridLayout(network);
    m_network = new QCheckBox(
            QStringLiteral("Let other programs tune the receiver (rigctl protocol)"), network);
    m_network->setObjectName(QStringLiteral("chkNetwork"));
    m_network->setAccessibleName(QStringLiteral("Network control"));
    QLabel *networkPortLabel
            = newLabel(QStringLiteral("lblNetworkPort"), QStringLiteral("TCP port"), network);
    m_networkPort = new QSpinBox(network);
    m_networkPort->setObjectName(QStringLiteral("txtNetworkPort"));
    m_networkPort->setAccessibleName(QStringLiteral("Network control port"));
    m_networkPort->setRange(1, 65535);
    networkPortLabel->setBuddy(m_networkPort);
    m_networkAnyHost = new QCheckBox(
            QStringLiteral("Accept clients from other computers, not only this one"), network);
    m_networkAnyHost->setObjectName(QStringLiteral("chkNetworkAnyHost"));
    m_networkAnyHost->setAccessibleName(QStringLiteral("Accept clients from other computers"));
    networkForm->addWidget(m_network, 0, 0, 1, 3);
    networkForm->addWidget(networkPortLabel, 1, 0);
    networkForm->addWidget(m_networkPort, 1, 1);
    networkForm->addWidget(m_networkAnyHost, 2, 0, 1, 3);
    networkForm->setColumnStretch(2, 1);
    const NetworkSettings shared = m_rigServer.settings();
    m_network->setChecked(shared.enabled);
    m_networkPort->setValue(shared.port > 0 ? shared.port : NetworkSettings().port);
    m_networkAnyHost->setChecked(shared.anyHost);
    const auto enableNetwork = [this](bool on) {
        m_networkPort->setEnabled(on);
        m_networkAnyHost->setEnabled(on);
    };
    enableNetwork(shared.enabled);
    connect(m_network, &QCheckBox::toggled, this, enableNetwork);

    auto *ok = newButton(QStringLiteral("cmdOK"), QStringLiteral("OK"),
                         QStringLiteral("OK, store and apply"), this);
    auto *cancel = newButton(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"),
                             QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(network);
    if (m_recorder) {
        m_recording = new RecordingOptions(*m_recorder, this);
        layout->addWidget(m_recording);
    }
    layout->addLayout(buttons);

    m_combo2->addItems({QStringLiteral("9600,n,8,2"), QStringLiteral("4800,n,8,2")});
    m_combo1->setEditText(m_serialPort.portText());
    m_combo2->setEditText(m_serialPort.lineSettings());

    // Escape rejects the dialog, which only hides it: "Cancel". Return presses OK.
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &OptionsWindow::applyChoice);
    connect(test, &QPushButton::clicked, this, &OptionsWindow::testPort);

    adjustSize();
    if (QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
}

void OptionsWindow::showEvent(QShowEvent *event)
{
    listPorts();
    if (m_recording)
        m_recording->showChoice();
    QDialog::showEvent(event);
}

void OptionsWindow::hideEvent(QHideEvent *event)
{
    if (m_recording)
        m_recording->stopMeter();
    QDialog::hideEvent(event);
}

void OptionsWindow::listPorts()
{
    const QString typed = m_combo1->currentText();
    m_combo1->clear();
    // Only the ports there are now, each once: a built-in port under its number, as the
    // settings have always named them.
    for (const PortEntry &port : discoverPorts({m_station.workingDirectory().absolutePath()})) {
        const std::optional<int> number = builtInPortNumber(port.path);
        const QString text = number ? QString::number(*number) : port.path;
        const QString description = number
                ? (port.description.isEmpty() ? port.path
                                              : port.path + QStringLiteral(", ") + port.description)
                : port.description;
        m_combo1->addItem(text);
        m_combo1->setItemData(m_combo1->count() - 1, description, descriptionRole);
    }
    m_combo1->setEditText(typed);
}

void OptionsWindow::testPort()
{
    const QString port = m_combo1->currentText();
    SerialPort &own = m_serialPort;
    // Opening it a second time would disturb the station's own exchanges.
    if (own.isOpen() && sameDevice(port, own.portText())) {
        showTestResult(QStringLiteral("The station has %1 open and is using it; it is not opened "
                                      "a second time. The status bar shows how it is doing.")
                               .arg(own.deviceName()));
        return;
    }
    // The probe waits up to the exchange limit: show that something is going on meanwhile.
    m_testResult->setText(QStringLiteral("Testing %1 ...").arg(port));
    m_testResult->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Stores nothing and leaves the station's port as it is.
    const QString result
            = probePort(port, m_combo2->currentText(), m_station.clock(), own.tickMs());
    QApplication::restoreOverrideCursor();
    showTestResult(result);
}

void OptionsWindow::showTestResult(const QString &text)
{
    m_testResult->setText(text);
    // The words may take several lines: the window grows to show them all.
    adjustSize();
}

void OptionsWindow::applyChoice()
{
    const QString port = m_combo1->currentText();
    const QString line = m_combo2->currentText();
    // A value the port refuses is neither stored nor applied: stored, it would stop the next
    // start-up. The window stays open so the operator can mend it.
    QStringList refused;
    QString error;
    if (!portDeviceName(port, &error))
        refused << error;
    if (!parseLineSettings(line, &error))
        refused << error;
    if (!refused.isEmpty()) {
        m_station.dialogs().reportError(refused.join(QLatin1Char('\n')));
        return;
    }

    StoredSettings &settings = m_station.settings();
    bool stored = settings.write(QStringLiteral("CommPort"), port);
    stored = settings.write(QStringLiteral("Settings"), line) && stored;
    stored = settings.write(QStringLiteral("Handshaking"), QStringLiteral("2")) && stored;
    stored = settings.sync() && stored;
    NetworkSettings network;
    network.enabled = m_network->isChecked();
    network.port = m_networkPort->value();
    network.anyHost = m_networkAnyHost->isChecked();
    stored = network.store(settings) && stored;
    if (m_recording) {
        const RecordingSettings recording = m_recording->chosen();
        stored = recording.store(settings) && stored;
        m_recorder->apply(recording);
    }

    SerialPort &serial = m_serialPort;
    serial.close();
    serial.setPort(port);
    serial.setLineSettings(line);
    serial.setHandshaking(2);
    serial.OpenPort();
    m_station.showPortState();
    QString networkError;
    // Clients stay connected unless their server changes.
    if (!(network == m_rigServer.settings() && m_rigServer.listening() == network.enabled))
        m_rigServer.apply(network, &networkError);
    hide();
    if (!networkError.isEmpty())
        m_station.dialogs().reportError(networkError);

    if (!stored)
        m_station.dialogs().reportError(
                QStringLiteral("The settings could not be stored in \"%1\".")
                        .arg(settings.fileName()));
}

} // namespace ze
