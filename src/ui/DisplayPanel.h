#pragma once

#include "core/Display.h"

#include <QFrame>

#include <array>
#include <memory>

namespace ze {

class Lamp;
class Readout;
class PacedFlush;
class Pacer;

// Shape1: the receiver's green display with its bank and mode lamps, the channel and frequency
// readouts and the S-meter. A lamp or bar that goes dark keeps its place.
// A pass may write the same readout or lamp several times ("Scanning..." and then the
// frequency; the bars off and on again): what it writes is kept here and the widgets take the
// outcome when the window's pacer lets them, and only where it changed.
class DisplayPanel : public QFrame, public Display
{
    Q_OBJECT
public:
    explicit DisplayPanel(Pacer &pacer, QWidget *parent = nullptr);
    ~DisplayPanel() override;

    // Display
    QString frequencyText() const override;
    void setFrequencyText(const QString &text) override;
    QString channelText() const override;
    void setChannelText(const QString &text) override;
    void showBank(int bank) override;
    bool modeLit(int index) const override;
    void setModeLit(int index, bool lit) override;
    bool attenuatorLit() const override;
    void setAttenuatorLit(bool lit) override;
    void setPassLit(bool lit) override;
    bool signalBarLit(int index) const override;
    void setSignalBarLit(int index, bool lit) override;

    // Dashes in both readouts; every lamp and bar dark.
    void clear();
    // The widgets take what waits for them now, not at the next paced showing.
    void showPending();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Lamp numbers in m_lit: banks 0-3, modes 4-9, ATT, PASS, then the 11 bars.
    static constexpr int modeLamp = 4;
    static constexpr int attLamp = 10;
    static constexpr int passLamp = 11;
    static constexpr int barLamp = 12;
    static constexpr int lampCount = 23;

    bool isLit(int lamp) const { return (m_lit >> lamp) & 1U; }
    void setLit(int lamp, bool lit);
    Lamp *lampWidget(int lamp) const;
    void scheduleShow();
    void showNow();

    QString m_frequency;
    QString m_channel;
    quint32 m_lit = 0;
    quint32 m_shownLit = 0;
    std::unique_ptr<PacedFlush> m_pacer;
    Readout *m_lblFrequency = nullptr;
    Readout *m_lblChannel = nullptr;
    std::array<Lamp *, 4> m_lblBank {};
    std::array<Lamp *, 6> m_lblMode {};
    Lamp *m_lblATT = nullptr;
    Lamp *m_lblPass = nullptr;
    std::array<Lamp *, 11> m_shpSquelch {};
};

} // namespace ze
