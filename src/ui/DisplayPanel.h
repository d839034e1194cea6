#pragma once

#include "core/Display.h"

#include <QFrame>

#include <array>

class QLabel;

namespace ze {

// Shape1: the receiver's green display with its bank and mode lamps, the channel and frequency
// readouts and the S-meter. A lamp or bar that goes dark keeps its place.
class DisplayPanel : public QFrame, public Display
{
    Q_OBJECT
public:
    explicit DisplayPanel(QWidget *parent = nullptr);

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

private:
    QLabel *m_lblFrequency = nullptr;
    QLabel *m_lblChannel = nullptr;
    std::array<QLabel *, 4> m_lblBank {};
    std::array<QLabel *, 6> m_lblMode {};
    QLabel *m_lblATT = nullptr;
    QLabel *m_lblPass = nullptr;
    std::array<QFrame *, 11> m_shpSquelch {};
};

} // namespace ze
